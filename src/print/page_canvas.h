#pragma once

#include <QFont>
#include <QRectF>
#include <QTransform>

#include "model/canvas.h"

class QPainter;

namespace plattera {

class PdfPictures;

// Point sizes on the page are turned into heights with this resolution, whatever the device:
// every job reaches the print system as a page description, so a fixed resolution gives the
// same printed cover on every printer.
constexpr int kPageFontResolution = 600;

// Page units per inch: one page unit is a tenth of a millimetre.
constexpr double kPageUnitsPerInch = 254.0;

// A canvas over a painter that is active on a printer or PDF page. Coordinates are page units
// of 0.1 mm with the origin at the top-left of the printable area and y growing upwards, so
// everything on the page has a negative y.
//
// A page point (x, y) stands for the square of paper from x to x + 1 rightwards and from -y to
// -y + 1 downwards (in 0.1 mm), the way a pixel does on a sheet: a line at x = 260 covers
// 26.0 to 26.1 mm, and a rectangle (l, t, r, b) has its edges on columns l and r - 1 and on rows
// -t and -b - 1 counted downwards, so its outer size is exactly r - l by t - b.
//
// Fonts: a size of S points has an em of mulDiv(S, 600, 72) page units (a 50-point font is 417
// units, 41.7 mm). Texts are measured and drawn in page units without hinting, so widths and
// heights do not depend on the printer and what is measured is what lands on paper.
//
// Escapement on the page turns the other way round from the sheets: -900 turns the text a
// quarter counter-clockwise on paper (reading upwards), +900 a quarter clockwise (reading
// downwards), which is what a y-up mapping of the classic font angle gives.
class PageCanvas : public Canvas {
public:
    // The painter must be active on its device; the canvas replaces its world transform.
    explicit PageCanvas(QPainter& painter);

    // Pictures to be kept pixel for pixel go to `pictures` from now on, and a stand-in to the
    // page; only for a PDF file, which PdfPictures::writeInto completes once it is finished.
    void holdBackLosslessPictures(PdfPictures* pictures) { m_heldBack = pictures; }

    void fillRect(int l, int t, int r, int b) override;
    void lineTo(int x, int y) override;
    void rectangle(int l, int t, int r, int b) override;
    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override;
    int textHeight(const QString& text) override;
    // dest is QRect(left, top, right - left, bottom - top) in page units (the height is negative
    // since the top is the larger y; a normalised rectangle covering the same span works too).
    // The whole bitmap is stretched into it, upright, at its own resolution, without smoothing;
    // pixel for pixel (as decoded: see PictureSource) unless it comes from a lossy file.
    void stretchDraw(const QRect& dest, const Picture& picture) override;

    // Until clearClip, nothing lands outside (l, t, r, b), given as a rectangle (right and
    // bottom exclusive): the page's way of stopping at a sheet's edges.
    void clipTo(int l, int t, int r, int b);
    void clearClip();

    // Every text this canvas draws from now on stays inside (l, t, r, b), whatever clipTo
    // holds: a text that runs past its insert on the page is cut at the insert's edge, as a
    // sheet cuts it at its own. An empty rectangle lets texts go anywhere again.
    void keepTextsWithin(int l, int t, int r, int b);

    // Until squeezeDown(fromY, 1), everything drawn below page row fromY comes nearer to it by
    // `factor` (0 < factor <= 1), text included: a block of lines that does not fit even at the
    // smallest size is pressed into its place, as many lines as a sheet shows. A clip set before
    // stays where it is on paper.
    void squeezeDown(int fromY, double factor);

    // The font in page units for the current face and size.
    QFont qfont() const;
    // Em height in page units of a point size.
    static int fontHeight(int points) { return mulDiv(points, kPageFontResolution, 72); }

    // Paper units (0.1 mm, y downwards from the printable area's top-left) to device pixels.
    const QTransform& paperToDevice() const { return m_paperToDevice; }

private:
    // Paints [x, x + w) x [y, y + h) in paper units (y down) with a colour.
    void paintPaper(double x, double y, double w, double h, const QColor& colour);

    QPainter& m_painter;
    QTransform m_paperToDevice;
    QRectF m_textBounds; // in paper units; empty: texts go anywhere
    PdfPictures* m_heldBack = nullptr;
};

} // namespace plattera
