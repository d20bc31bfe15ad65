#include <QStringList>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "pictures/picture_formats.h"

using namespace plattera;

namespace {

QString unknownExtensionError(const QString& path)
{
    try {
        pictureFileFormats().readerFor(path);
    } catch (const CommandError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

TEST(PictureFormats, TableHoldsNineEntriesInRegistrationOrder)
{
    const auto& entries = pictureFileFormats().entries();
    const QStringList extensions = {"wmf", "emf", "ico", "bmp", "jpeg",
                                    "jpg", "gif", "png", "webp"};
    const QStringList descriptions = {"Metafiles", "Enhanced Metafiles", "Icons",
                                      "Bitmaps",   "JPEG Image File",    "JPEG Image File",
                                      "GIF Image", "PNG Image",          "WebP Image"};
    ASSERT_EQ(entries.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(entries[size_t(i)].extension, extensions[i]) << "entry " << i + 1;
        EXPECT_EQ(entries[size_t(i)].description, descriptions[i]) << "entry " << i + 1;
    }
}

TEST(PictureFormats, ExtensionsCompareInLowerCase)
{
    for (const char* name : {"/covers/PHOTO.JPG", "photo.jpeg", "Photo.Jpg"})
        EXPECT_EQ(pictureFileFormats().readerFor(QString::fromUtf8(name)), PictureKind::Jpeg)
            << name;
    EXPECT_EQ(pictureFileFormats().readerFor("a.b.GIF"), PictureKind::Gif);
    EXPECT_EQ(pictureFileFormats().readerFor("logo.Ico"), PictureKind::Icon);
    EXPECT_EQ(pictureFileFormats().readerFor("x.EMF"), PictureKind::Metafile);
}

TEST(PictureFormats, UnknownExtensionNamesItAsWritten)
{
    EXPECT_EQ(unknownExtensionError("/home/me/cover.pcx"), "Unknown picture file extension (.pcx)");
    EXPECT_EQ(unknownExtensionError("/home/me/Cover.TIF"), "Unknown picture file extension (.TIF)");
    EXPECT_EQ(unknownExtensionError("/home/me/cover"), "Unknown picture file extension (.)");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(unknownExtensionError("/home/me/pics.gif/cover"),
              "Unknown picture file extension (.)");
    EXPECT_EQ(unknownExtensionError("cover."), "Unknown picture file extension (.)");
}

// The file types as the classic filter text writes them: description|patterns, pair after pair.
std::string asFilterText(const FileTypeFilters& filters)
{
    QStringList pairs;
    for (const FileTypeFilter& type : filters)
        pairs << type.description() << type.patterns.join(QLatin1Char(';'));
    return pairs.join(QLatin1Char('|')).toStdString();
}

TEST(PictureFormats, DialogFilterAndDefaultExtension)
{
    const char* all =
        "All (*.webp;*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|"
        "*.webp;*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|WebP Image (*.webp)|*.webp|PNG "
        "Image (*.png)|*.png|"
        "GIF Image (*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"
        "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles "
        "(*.wmf)|*.wmf";
    const PictureFormatList& formats = pictureFileFormats();
    EXPECT_EQ(asFilterText(formats.filterFor(PictureKind::Graphic)), all);
    EXPECT_EQ(asFilterText(formats.filterFor(PictureKind::Gif)), "GIF Image (*.gif)|*.gif");
    EXPECT_EQ(
        asFilterText(formats.filterFor(PictureKind::Metafile)),
        "All (*.emf;*.wmf)|*.emf;*.wmf|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
    EXPECT_EQ(formats.defaultExtension(PictureKind::Gif), "gif");
    EXPECT_EQ(formats.defaultExtension(PictureKind::Jpeg), "jpg");
    EXPECT_EQ(formats.defaultExtension(PictureKind::Graphic), "");

    const PictureDialogSetup dialog = pictureDialogSettings();
    EXPECT_EQ(asFilterText(dialog.filters), all);
    EXPECT_EQ(dialog.defaultExtension, "gif");
}

TEST(PictureFormats, EmptyExtensionsAreLeftOutOfFilters)
{
    PictureFormatList formats;
    formats.add("", "Nameless", PictureKind::Bitmap);
    formats.add("PCX", "Paintbrush", PictureKind::Bitmap);
    EXPECT_EQ(asFilterText(formats.filterFor(PictureKind::Bitmap)),
              "All (*.pcx;*.bmp)|*.pcx;*.bmp|Paintbrush (*.pcx)|*.pcx|Bitmaps (*.bmp)|*.bmp");
    EXPECT_EQ(asFilterText(formats.filterFor(PictureKind::Jpeg)), "");
    EXPECT_EQ(formats.readerFor("scan.Pcx"), PictureKind::Bitmap);
}

} // namespace
