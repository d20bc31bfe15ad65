#pragma once

#include <QFont>
#include <QImage>

#include "model/canvas.h"

namespace plattera {

// Scales src (or its sub-rectangle) into dest of dst, nearest neighbour, no blending.
// Destination column d takes source column sx + d * sw / dw (integer division, so the
// first destination column always shows the first source column, and a narrowing drops
// columns evenly, a widening repeats them). Rows likewise. Pixels of dest outside dst are
// clipped. Both images are expected in QImage::Format_RGB32.
void stretchNearest(QImage& dst, const QRect& dest, const QImage& src, const QRect& source);

// A canvas over a bitmap it owns: the cover sheets. The bitmap is created white at the sheet's
// size the first time the canvas is used. ppi is the screen's logical pixels per inch that
// turns point sizes into pixel heights.
class SheetCanvas : public Canvas {
public:
    SheetCanvas(int width, int height, int ppi);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int ppi() const { return m_ppi; }

    // The pixels; creating them on first use.
    QImage& image();
    const QImage& image() const;
    bool created() const { return !m_image.isNull(); }

    void fillRect(int l, int t, int r, int b) override;
    void lineTo(int x, int y) override;
    void rectangle(int l, int t, int r, int b) override;
    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override;
    int textHeight(const QString& text) override;
    void stretchDraw(const QRect& dest, const Picture& picture) override;

    // The source rectangle of another sheet scaled into dest, same rule as stretchDraw.
    void copyRect(const QRect& dest, SheetCanvas& source, const QRect& sourceRect);

    // The Qt font the current canvas font maps to: pixel size = mulDiv(size, ppi, 72),
    // full hinting so that advances are whole pixels.
    QFont qfont() const;

private:
    void ensure() const;
    void plot(int x, int y, QRgb colour);

    int m_width;
    int m_height;
    int m_ppi;
    mutable QImage m_image;
};

// Builds the QFont for a face and a pixel height (em) the way both canvases need it.
QFont makeQFont(const QString& face, int pixelHeight);

} // namespace plattera
