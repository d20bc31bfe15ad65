#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <sys/types.h>
#include <time.h>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include "decoders/decode_result.h"
#include "model/picture.h"
#include "pictures/picture_formats.h"

namespace plattera {

struct EditorState;

// The decoded pictures of the cover. Every repaint loads the cover's pictures again; while a
// file provably stays the same its pixels are handed out again instead of decoding it anew.
// One store is owned beside the EditorState (which points to it); a preview never uses it.
class PictureStore : public PictureProvider {
public:
    // Turns a picture file into a bitmap of the picture's own size (Format_RGB32), marked lossy
    // when the file was a JPEG; any other picture larger than the largest place it is drawn
    // comes shrunk to that (see DecodeResult; bitmaps and icons once they are decoded).
    // - no file at path: returns no picture and reports nothing;
    // - an extension missing from the format table, or a file the reader cannot read:
    //   throws CommandError with the message to show.
    // ppi is the screen's logical pixels per inch, for the metafiles' physical sizes. Every call
    // opens the file, so a vanished or unreadable file behaves the same with or without reuse.
    std::optional<Picture> load(const QString& path, int ppi) override;
    // Drops what is kept of one file, or of every file but the ones named: the cover tells which
    // pictures it still uses, so a replaced or cleared picture gives its memory back.
    void forget(const QString& path);
    void keepOnly(const QStringList& inUse) override;
    // Read by its first bytes: JPEG, PNG, GIF, BMP or WebP, as covers are embedded.
    void keepEncoded(const QString& name, const QByteArray& bytes) override;
    void clear();

    // Told true before and false after decoding a file large enough to take a noticeable moment
    // (a phone photo), so the program can show that it is busy. Not told when pixels are reused.
    void setLongDecodeNotifier(std::function<void(bool busy)> notifier)
    {
        m_longDecode = std::move(notifier);
    }
    // Files decoded so far (reuse excluded): what the cover's repaints have cost.
    int decodeCount() const { return m_decodes; }

private:
    std::optional<Picture> loadEncoded(const QString& name, const QByteArray& data, int ppi);

    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified {};
        timespec changed {};
        int ppi = 0;
        bool operator==(const FileIdentity& o) const;
    };
    struct Kept {
        QString path;
        FileIdentity identity;
        Picture picture;
    };
    // The picture kept for that path and identity, now the most recently used.
    std::optional<Picture> keptPicture(const QString& path, const FileIdentity& identity);
    // Decodes the bytes (throwing CommandError when they cannot be) and keeps the picture first.
    Picture decodeAndKeep(PictureKind kind, const QByteArray& data, const QString& path,
                          const FileIdentity& identity);

    std::vector<Kept> m_kept;                              // most recently used first
    std::vector<std::pair<QString, QByteArray>> m_encoded; // name, bytes
    std::function<void(bool)> m_longDecode;
    int m_decodes = 0;
};

// A picture loaded for the cover: through the state's store, or decoded anew without one.
std::optional<Picture> loadCoverPicture(EditorState& state, const QString& path, int ppi);

// One load without any reuse, for tools that read a file once.
std::optional<Picture> loadPictureBitmap(const QString& path, int ppi);

// What a file dialog shows beside its list: the picture scaled to fit within bound, in its own
// shape, and the picture's own size. A JPEG is decoded at the smallest scale that still fills
// bound. Shares nothing with any store and never reports a long decode. Same errors as
// PictureStore::load.
struct PictureThumbnail {
    QImage thumbnail;
    QSize size;
};
std::optional<PictureThumbnail> loadPictureThumbnail(const QString& path, QSize bound, int ppi);

// The decoder of a reader kind over bytes already read; path tells the two metafile kinds apart.
DecodeResult decodePicture(PictureKind kind, const QByteArray& data, const QString& path, int ppi,
                           QSize atLeast = QSize());

} // namespace plattera
