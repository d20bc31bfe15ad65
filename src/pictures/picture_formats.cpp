#include "pictures/picture_formats.h"

#include <QFileInfo>

#include "model/errors.h"

namespace plattera {

namespace {
// Texts of the program's string table.
const char* const kAllPictures = "All";
} // namespace

bool isPictureKind(PictureKind reader, PictureKind asked)
{
    return asked == PictureKind::Graphic || reader == asked;
}

PictureFormatList::PictureFormatList()
{
    add(QStringLiteral("wmf"), QStringLiteral("Metafiles"), PictureKind::Metafile);
    add(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"), PictureKind::Metafile);
    add(QStringLiteral("ico"), QStringLiteral("Icons"), PictureKind::Icon);
    add(QStringLiteral("bmp"), QStringLiteral("Bitmaps"), PictureKind::Bitmap);
}

void PictureFormatList::add(const QString& extension, const QString& description,
                            PictureKind reader)
{
    m_entries.push_back({extension.toLower(), description, reader});
}

QString pictureFileExtension(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString unknownExtensionMessage(const QString& extension)
{
    return QStringLiteral("Unknown picture file extension (.%1)").arg(extension);
}

PictureKind PictureFormatList::readerFor(const QString& path) const
{
    const QString extension = pictureFileExtension(path);
    const QString wanted = extension.toLower();
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->extension == wanted)
            return it->reader;
    }
    throw CommandError(unknownExtensionMessage(extension));
}

FileTypeFilters PictureFormatList::filterFor(PictureKind kind) const
{
    FileTypeFilters filters;
    QStringList all;
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (!isPictureKind(it->reader, kind) || it->extension.isEmpty())
            continue;
        const QString pattern = QStringLiteral("*.") + it->extension;
        filters.push_back({it->description, {pattern}});
        all << pattern;
    }
    if (filters.size() > 1)
        filters.insert(filters.begin(), {QLatin1String(kAllPictures), all});
    return filters;
}

QString PictureFormatList::defaultExtension(PictureKind kind) const
{
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->reader == kind)
            return it->extension;
    }
    return QString();
}

const PictureFormatList& pictureFileFormats()
{
    static const PictureFormatList table = [] {
        PictureFormatList list;
        // The JPEG format registers both spellings, then the GIF format registers its own.
        list.add(QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), PictureKind::Jpeg);
        list.add(QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), PictureKind::Jpeg);
        list.add(QStringLiteral("GIF"), QStringLiteral("GIF Image"), PictureKind::Gif);
        // Later additions go after the registered formats, so the dialog's order and default stay.
        list.add(QStringLiteral("png"), QStringLiteral("PNG Image"), PictureKind::Png);
        list.add(QStringLiteral("webp"), QStringLiteral("WebP Image"), PictureKind::Webp);
        return list;
    }();
    return table;
}

PictureDialogSetup pictureDialogSettings()
{
    const PictureFormatList& formats = pictureFileFormats();
    PictureDialogSetup setup;
    setup.filters = formats.filterFor(PictureKind::Graphic);
    setup.defaultExtension = formats.defaultExtension(PictureKind::Gif);
    return setup;
}

} // namespace plattera
