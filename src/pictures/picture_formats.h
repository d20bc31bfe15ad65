#pragma once

#include <vector>

#include <QString>
#include <QStringList>

namespace plattera {

// The picture kinds behind the format table. Every reader is a kind of `Graphic`, so asking
// for `Graphic` matches every entry; no other kind derives from another.
enum class PictureKind { Graphic, Metafile, Icon, Bitmap, Jpeg, Gif, Png, Webp };

// True when a reader of kind `reader` counts as the asked kind (itself or derived from it).
bool isPictureKind(PictureKind reader, PictureKind asked);

// One line of the picture dialog's list of file types: a name and the file patterns it lists.
struct FileTypeFilter {
    QString name;         // "GIF Image"
    QStringList patterns; // "*.gif"
    // What the dialog shows: the name with its patterns in brackets, "GIF Image (*.gif)".
    QString description() const
    {
        return name + QStringLiteral(" (") + patterns.join(QLatin1Char(';')) + QLatin1Char(')');
    }
    bool operator==(const FileTypeFilter&) const = default;
};
using FileTypeFilters = std::vector<FileTypeFilter>;

// The table of picture file formats the program reads, in the order the entries were added.
class PictureFormatList {
public:
    struct Entry {
        QString extension; // lower case, without the dot
        QString description;
        PictureKind reader;
    };

    // A table holding the four built-in entries (metafiles, enhanced metafiles, icons, bitmaps).
    PictureFormatList();

    // Adds an entry at the end; the extension is stored in lower case.
    void add(const QString& extension, const QString& description, PictureKind reader);

    const std::vector<Entry>& entries() const { return m_entries; }

    // The reader for a file, by its extension compared in lower case from the newest entry
    // back. Throws CommandError("Unknown picture file extension (.ext)") when none matches.
    PictureKind readerFor(const QString& path) const;

    // The open dialog's file types for every entry whose reader is of that kind, newest entry
    // first, led by "All" of their patterns when more than one entry matches.
    FileTypeFilters filterFor(PictureKind kind) const;

    // The extension of the newest entry whose reader is exactly that kind, or empty.
    QString defaultExtension(PictureKind kind) const;

private:
    std::vector<Entry> m_entries;
};

// The part of the file name after its last ".", as written; empty when there is none.
QString pictureFileExtension(const QString& path);

// The message for a file whose extension is not in the table.
QString unknownExtensionMessage(const QString& extension);

// The program's one table: built-ins, then the JPEG format ("jpeg", "jpg"), then the GIF
// format ("GIF"), then PNG and WebP. Filled on first use, unchanged afterwards.
const PictureFormatList& pictureFileFormats();

// What the picture dialog is set up with.
struct PictureDialogSetup {
    FileTypeFilters filters;  // the file types of all picture kinds
    QString defaultExtension; // the GIF reader's extension
};
PictureDialogSetup pictureDialogSettings();

} // namespace plattera
