#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace plattera {

// What a decoder hands back: the picture's pixels at its own size in Format_RGB32, or an
// error message in the reader's own words. Decoders never print, exit or abort.
struct DecodeResult {
    QImage image;
    QString error;
    // The picture's own size when the image was decoded smaller than that (else empty).
    QSize sourceSize;

    bool ok() const { return error.isEmpty() && !image.isNull(); }
    static DecodeResult failure(const QString& message) { return {QImage(), message, QSize()}; }
    static DecodeResult success(QImage img) { return {std::move(img), QString(), QSize()}; }
};

// Largest picture we agree to decode: 65535 pixels on a side, 200 megapixels in all.
constexpr int kMaxPictureSide = 65535;
constexpr long long kMaxPicturePixels = 200'000'000LL;

// Empty when a picture of this size may be decoded, else the message to report.
QString checkPictureSize(long long width, long long height);

// A compressed raster file cannot hold more than this many pixels per byte of its data (even a
// single colour costs bits per block), so a tiny file whose header claims a huge picture is
// refused before memory and time are spent on it. Metafiles are drawn to a size of their
// own and are exempt.
constexpr long long kMaxPixelsPerByte = 65536;

// checkPictureSize, and the claimed pixels weighed against the bytes that hold them.
QString checkPictureSize(long long width, long long height, long long dataBytes);

// Metafiles are drawn, not stored, so one is drawn at no more pixels than the largest place
// a picture goes to on the page at 600 dpi (the back insert, 150 x 117.5 mm): a file of a few
// bytes may claim any frame, and it then costs no more than a photo of that size.
constexpr int kMaxMetafileWidth = 3600;
constexpr int kMaxMetafileHeight = 2900;

// The size to draw a metafile of that natural size at (both sides positive): the same, or
// scaled down to fit the limits above, keeping its aspect.
QSize metafileDrawingSize(long long width, long long height);

// A new white RGB32 image of that size, or a null image when memory could not be had.
QImage allocateWhiteImage(int width, int height);

// A straight-alpha Format_ARGB32 image drawn over white, as Format_RGB32.
QImage flattenOverWhite(QImage image);

DecodeResult decodeJpeg(const QByteArray& data);
// Given a size, the JPEG may come back smaller than its own size (halved up to three times by
// the decoder itself, far faster than decoding it whole) while still covering that size.
DecodeResult decodeJpegCovering(const QByteArray& data, QSize atLeast);
DecodeResult decodeGif(const QByteArray& data);
DecodeResult decodeBmp(const QByteArray& data);
DecodeResult decodeIco(const QByteArray& data);
// The picture, or the first frame of an animation on its canvas, with transparency drawn over
// white.
DecodeResult decodePng(const QByteArray& data);
DecodeResult decodeWebp(const QByteArray& data);
// Metafiles are drawn at (0, 0) on a white bitmap of their size in pixels at ppi.
DecodeResult decodeEmf(const QByteArray& data, int ppi);
DecodeResult decodeWmf(const QByteArray& data, int ppi);

} // namespace plattera
