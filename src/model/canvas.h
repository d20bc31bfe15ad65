#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include "model/colour.h"
#include "model/picture.h"

namespace plattera {

enum class BrushStyle { Solid, Clear };

// Rounds a*b/c to the nearest integer, halves away from zero, as the classic mulDiv does.
int mulDiv(int a, int b, int c);

// The font a canvas carries. Size is in points; escapement in tenths of a degree,
// counter-clockwise as seen on the target.
struct CanvasFont {
    QString face = QStringLiteral("Arial");
    int size = 8;
    Colour colour = kBlack;
    int escapement = 0;
};

// The drawing operations every target shares: cover sheets (pixels, y down) and the printed
// page (tenths of a millimetre, y up). Coordinates are the target's own. Rectangles are
// (left, top, right, bottom) with right and bottom exclusive.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills x in [l, r) and y in [t, b) with the white brush; a clear brush fills nothing.
    virtual void fillRect(int l, int t, int r, int b) = 0;
    void moveTo(int x, int y)
    {
        m_penX = x;
        m_penY = y;
    }
    // One-pixel line from the current position up to, not including, (x, y), which becomes
    // the current position.
    virtual void lineTo(int x, int y) = 0;
    // Pen outline, brush interior; right and bottom exclusive.
    virtual void rectangle(int l, int t, int r, int b) = 0;
    // The unrotated cell's top-left lies at (x, y) and the text turns about that point by the
    // escapement. A solid brush paints the cell white first, a clear brush leaves it. The current
    // position becomes (x + text width, y).
    virtual void textOut(int x, int y, const QString& text) = 0;
    // Extent of the whole string in the current font; the escapement is ignored and the
    // height is the full cell height (ascent + descent).
    virtual int textWidth(const QString& text) = 0;
    virtual int textHeight(const QString& text) = 0;
    // The whole bitmap scaled into the rectangle, rows and columns dropped or repeated.
    virtual void stretchDraw(const QRect& dest, const Picture& picture) = 0;

    void setBrushStyle(BrushStyle style) { m_brush = style; }
    BrushStyle brushStyle() const { return m_brush; }
    void setPenColour(Colour c) { m_pen = c; }
    Colour penColour() const { return m_pen; }

    // An empty face name leaves the face as it was; longer names are cut to 31 characters.
    void setFontFace(const QString& face);
    // Setting the face or the size makes a new, unrotated font.
    void setFontSize(int points)
    {
        m_font.size = points;
        m_font.escapement = 0;
    }
    void setFontColour(Colour c) { m_font.colour = c; }
    // The rotated copy of the current font: face and size stay, the turn changes.
    void setFontEscapement(int tenthsOfDegree) { m_font.escapement = tenthsOfDegree; }
    const CanvasFont& font() const { return m_font; }

    int penX() const { return m_penX; }
    int penY() const { return m_penY; }

protected:
    void setPenPosition(int x, int y)
    {
        m_penX = x;
        m_penY = y;
    }

private:
    BrushStyle m_brush = BrushStyle::Solid;
    Colour m_pen = kBlack;
    CanvasFont m_font;
    int m_penX = 0;
    int m_penY = 0;
};

// Longest face name a font may carry.
constexpr int kMaxFaceLength = 31;
QString clampFaceName(const QString& face);

} // namespace plattera
