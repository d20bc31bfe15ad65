#pragma once

#include <memory>

#include <QImage>
#include <QSize>

#include "decoders/decode_result.h"

namespace plattera {

class BoxSums;

// Where a decoder draws a raster picture's rows as they arrive. A picture that fits the
// largest place a picture is drawn (kLargestDrawnWidth x kLargestDrawnHeight) is kept pixel
// for pixel. A larger one is shrunk to that size as its rows come in, never held at its own
// size: each pixel of the result is the mean of the area of the picture it covers, pixels cut
// by its edges counted by the part inside (a box filter), so a row or a column of one pixel
// still shows in the average rather than being dropped. Each side shrinks on its own, since
// a picture is always stretched over its place: every side keeps all the detail that place
// can print at 600 dpi. Integer arithmetic throughout, so a file gives the same pixels on
// every machine.
//
// Pixels are straight-alpha 0xAARRGGBB and land over white, as flattenOverWhite blends them;
// what no row covers stays white.
class BoundedCanvas {
public:
    // A canvas for a picture of `own` size (both sides positive, within checkPictureSize).
    // Rows come in order of y, or with `anyOrder` in any order (interlaced pictures): a
    // shrinking canvas then keeps 12 bytes per pixel of the result until the last row, or the
    // picture at its own size when that takes less. Never throws; isNull() tells when the
    // memory could not be had.
    BoundedCanvas(QSize own, bool anyOrder);
    ~BoundedCanvas();
    BoundedCanvas(const BoundedCanvas&) = delete;
    BoundedCanvas& operator=(const BoundedCanvas&) = delete;

    bool isNull() const { return m_image.isNull(); }

    // `count` pixels of row y at columns x0, x0 + step, x0 + 2 step...; what falls outside the
    // canvas is left out. Each pixel comes at most once. Allocates nothing.
    void putRow(int y, int x0, int step, const QRgb* pixels, int count);

    // The picture in Format_RGB32, with its own size as sourceSize when it shrank; a failure
    // when memory ran short. The canvas is spent.
    DecodeResult finish();

private:
    QSize m_own;
    QImage m_image; // at its own size, or the shrunk result that m_sums fills
    std::unique_ptr<BoxSums> m_sums;
    bool m_staged = false; // kept at its own size, to be shrunk at the end
};

// A decoded picture larger than the largest place a picture is drawn, shrunk as a
// BoundedCanvas shrinks one, for the decoders that cannot hand out rows as they read them. The
// picture at its own size is still held while it shrinks.
DecodeResult shrinkToLargestDrawn(DecodeResult decoded);

} // namespace plattera
