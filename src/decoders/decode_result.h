#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "model/outcome.h"

namespace plattera {

// A decoded picture: its pixels in Format_RGB32, and the picture's own size when it was decoded
// smaller than that (else empty).
struct DecodedPicture {
    QImage image;
    QSize sourceSize;
};

// What a decoder hands back: the picture, or why there is none in the reader's own words.
// Decoders never print, exit or abort.
using DecodeResult = Outcome<DecodedPicture>;

// Success with these pixels; a null image (memory that could not be had) is a failure.
DecodeResult decodedPicture(QImage image, QSize sourceSize = QSize());

// Largest picture we agree to decode: 65535 pixels on a side, 200 megapixels in all.
constexpr int kMaxPictureSide = 65535;
constexpr long long kMaxPicturePixels = 200'000'000LL;

// Whether a picture of this size may be decoded, and if not, why.
Check checkPictureSize(long long width, long long height);

// A compressed raster file cannot hold more than this many pixels per byte of its data (even a
// single colour costs bits per block), so a tiny file whose header claims a huge picture is
// refused before memory and time are spent on it. Metafiles are drawn to a size of their
// own and are exempt.
constexpr long long kMaxPixelsPerByte = 65536;

// checkPictureSize, and the claimed pixels weighed against the bytes that hold them.
Check checkPictureSize(long long width, long long height, long long dataBytes);

// The most pixels any place on the cover takes at 600 dpi, the finest a page is printed at:
// 150 mm across (the back insert with its spines) and 120 mm down (the front insert). Pictures
// are stretched over their places, so more pixels than this on a side add nothing to what
// prints, and a raster picture is decoded at no more than this on each side.
constexpr int kLargestDrawnWidth = 3600;
constexpr int kLargestDrawnHeight = 2900;

// The size a raster picture of its own size `own` is decoded at: each side as it is, or cut
// to the largest drawn size on that side.
QSize boundedDecodingSize(QSize own);

// Metafiles are drawn, not stored, so one is drawn at no more pixels than the largest place
// a picture goes to on the page: a file of a few bytes may claim any frame, and it then costs
// no more than a photo of that size.
constexpr int kMaxMetafileWidth = kLargestDrawnWidth;
constexpr int kMaxMetafileHeight = kLargestDrawnHeight;

// The size to draw a metafile of that natural size at (both sides positive): the same, or
// scaled down to fit the limits above, keeping its aspect.
QSize metafileDrawingSize(long long width, long long height);

// A new white RGB32 image of that size, or a null image when memory could not be had.
QImage allocateWhiteImage(int width, int height);

// A straight-alpha 0xAARRGGBB pixel drawn over white: the same blend, in the file's own
// colour values, as the icon decoder's, so a transparent PNG and a transparent icon end up
// alike on the cover.
inline QRgb overWhite(QRgb pixel)
{
    const int alpha = qAlpha(pixel);
    if (alpha == 255)
        return pixel;
    const auto over = [alpha](int value) {
        return (value * alpha + 255 * (255 - alpha) + 127) / 255;
    };
    return qRgb(over(qRed(pixel)), over(qGreen(pixel)), over(qBlue(pixel)));
}

// A straight-alpha Format_ARGB32 image drawn over white, as Format_RGB32.
QImage flattenOverWhite(QImage image);

// A JPEG larger than the largest drawn size comes at that size, as lossless pictures do: read
// at a fraction of its own by the DCT's scaling (M/8, still covering that size, far faster
// than decoding it whole) and shrunk as its rows come, never held whole. One that fits comes
// pixel for pixel.
DecodeResult decodeJpeg(const QByteArray& data);
// Given a size, the JPEG is scaled by the DCT as far as still covers that size instead.
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
