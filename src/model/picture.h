#pragma once

#include <optional>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace plattera {

// Whether a picture's file already threw detail away. The printed page may compress a lossy
// picture again; every other picture must reach the paper pixel for pixel, as it was decoded.
// That is the picture's own pixels up to 3600 across and 2900 down, the most any place on the
// cover takes at 600 dpi; a picture larger on a side comes shrunk to that on that side (each
// pixel the mean of the area it covers), and its bitmap then prints pixel for pixel: at least
// one picture pixel for each 600-dpi dot wherever it is drawn.
enum class PictureSource { Lossless, Lossy };

// A decoded picture as the cover holds it: the bitmap and what kind of file it came from.
// Built from a bare bitmap it counts as lossless, the safe side for printing.
struct Picture {
    QImage image;
    PictureSource source = PictureSource::Lossless;

    Picture() = default;
    Picture(QImage bitmap,
            PictureSource from = PictureSource::Lossless) // NOLINT: a bitmap is a picture
        : image(std::move(bitmap)), source(from)
    {
    }
    bool lossy() const { return source == PictureSource::Lossy; }
    bool isNull() const { return image.isNull(); }
};

// Where the cover's pictures come from: the program's store of decoded pictures, owned beside
// the EditorState and reached through it, so that the layouts repainting pictures need not
// know it.
class PictureProvider {
public:
    virtual ~PictureProvider() = default;
    // No file at path: no picture, and no message. An unreadable file throws CommandError.
    virtual std::optional<Picture> load(const QString& path, int ppi) = 0;
    // The cover names the files it still uses; the provider may let go of the others.
    virtual void keepOnly(const QStringList& inUse) = 0;
    // An encoded picture that is no file of its own (a cover embedded in an audio file), kept
    // under `name` so that load(name) reads it as it reads a file, until keepOnly lets it go.
    virtual void keepEncoded(const QString& name, const QByteArray& bytes) = 0;
};

} // namespace plattera
