#include "app/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace plattera {

namespace {

// The sixteen-colour palette the glyphs keep to.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);
const QColor kAqua(0, 255, 255);
const QColor kGreen(0, 128, 0);
const QColor kLime(0, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kYellow(255, 255, 0);
const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);

// Pixel-exact drawing on a transparent image: all coordinates inclusive, no antialiasing.
class PixelPainter {
public:
    explicit PixelPainter(int size)
        : m_image(size, size, QImage::Format_ARGB32_Premultiplied)
    {
        m_image.fill(Qt::transparent);
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
    }

    void dot(int x, int y, const QColor& c) { m_painter.fillRect(x, y, 1, 1, c); }
    void fill(int x1, int y1, int x2, int y2, const QColor& c)
    {
        m_painter.fillRect(x1, y1, x2 - x1 + 1, y2 - y1 + 1, c);
    }
    void hline(int x1, int x2, int y, const QColor& c) { fill(x1, y, x2, y, c); }
    void vline(int x, int y1, int y2, const QColor& c) { fill(x, y1, x, y2, c); }
    // A box with a one-pixel border; the interior filled when `inside` is valid.
    void box(int x1, int y1, int x2, int y2, const QColor& border, const QColor& inside = QColor())
    {
        if (inside.isValid())
            fill(x1, y1, x2, y2, inside);
        hline(x1, x2, y1, border);
        hline(x1, x2, y2, border);
        vline(x1, y1, y2, border);
        vline(x2, y1, y2, border);
    }
    void line(int x1, int y1, int x2, int y2, const QColor& c)
    {
        m_painter.setPen(QPen(c, 1));
        m_painter.drawLine(x1, y1, x2, y2);
    }
    void polygon(const QPolygon& points, const QColor& c)
    {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(c);
        m_painter.drawPolygon(points);
    }
    // A disc filling the square (x, y, d, d), outlined in `border`.
    void disc(int x, int y, int d, const QColor& border, const QColor& inside)
    {
        m_painter.setPen(QPen(border, 1));
        m_painter.setBrush(inside);
        m_painter.drawEllipse(x, y, d - 1, d - 1);
    }

    QImage take()
    {
        m_painter.end();
        return m_image;
    }

private:
    QImage m_image;
    QPainter m_painter;
};

QImage newCoverGlyph()
{
    PixelPainter p(16);
    // A blank sheet with a turned-down corner and a spark: a fresh start.
    p.fill(3, 2, 8, 13, kWhite);
    p.fill(9, 5, 11, 13, kWhite);
    p.hline(2, 9, 1, kBlack);
    p.vline(2, 1, 14, kBlack);
    p.hline(2, 12, 14, kBlack);
    p.vline(12, 5, 14, kBlack);
    p.dot(10, 2, kBlack);
    p.dot(11, 3, kBlack);
    p.dot(12, 4, kBlack);
    p.vline(9, 2, 4, kBlack);
    p.hline(10, 11, 4, kBlack);
    p.dot(10, 3, kSilver);
    // The spark.
    p.vline(12, 8, 12, kYellow);
    p.hline(10, 14, 10, kYellow);
    p.dot(12, 10, kWhite);
    p.dot(11, 9, kOlive);
    p.dot(13, 9, kOlive);
    p.dot(11, 11, kOlive);
    p.dot(13, 11, kOlive);
    return p.take();
}

QImage editTracksGlyph()
{
    PixelPainter p(16);
    // A numbered list with a pencil over it.
    p.box(1, 1, 11, 14, kBlack, kWhite);
    for (int y : {4, 7, 10}) {
        p.dot(3, y, kRed);
        p.hline(5, 9, y, kNavy);
    }
    // Pencil from its point at the bottom left up to the right edge.
    for (int k = 0; k < 6; ++k) {
        const int x = 9 + k;
        const int y = 13 - k;
        p.dot(x, y, kYellow);
        p.dot(x + 1, y, kOlive);
        p.dot(x, y - 1, kBlack);
        p.dot(x + 1, y + 1, kBlack);
    }
    p.dot(15, 7, kMaroon);
    p.dot(15, 8, kMaroon);
    p.dot(8, 14, kBlack);
    p.dot(8, 13, kSilver);
    p.dot(9, 14, kSilver);
    return p.take();
}

QImage fontGlyph()
{
    PixelPainter p(16);
    // A bold letter over a strip of colours.
    p.line(2, 11, 6, 1, kBlack);
    p.line(3, 11, 7, 1, kBlack);
    p.line(8, 1, 12, 11, kBlack);
    p.line(9, 1, 13, 11, kBlack);
    p.hline(5, 10, 7, kBlack);
    p.hline(6, 8, 1, kBlack);
    p.fill(1, 13, 4, 14, kRed);
    p.fill(5, 13, 9, 14, kLime);
    p.fill(10, 13, 14, 14, kBlue);
    return p.take();
}

const int kLineLengths[] = {14, 10, 13, 8, 12};

QImage alignedLinesGlyph(bool centred)
{
    PixelPainter p(16);
    int y = 1;
    for (int length : kLineLengths) {
        const int left = centred ? 1 + (14 - length) / 2 : 1;
        p.fill(left, y, left + length - 1, y + 1, kNavy);
        y += 3;
    }
    return p.take();
}

QImage imageGlyph()
{
    PixelPainter p(20);
    // A framed landscape: sky, sun and two hills.
    p.box(1, 2, 18, 17, kBlack, kAqua);
    p.disc(11, 4, 5, kOlive, kYellow);
    p.polygon(QPolygon({QPoint(2, 17), QPoint(2, 13), QPoint(7, 8), QPoint(11, 12), QPoint(14, 10),
                        QPoint(18, 14), QPoint(18, 17)}),
              kGreen);
    p.line(2, 13, 7, 8, kLime);
    p.line(11, 12, 14, 9, kLime);
    p.box(1, 2, 18, 17, kBlack);
    p.hline(2, 18, 18, kGrey);
    p.vline(19, 3, 18, kGrey);
    return p.take();
}

QImage printGlyph()
{
    PixelPainter p(16);
    // A printer with a sheet going in at the back and one coming out at the front.
    p.box(4, 1, 11, 6, kBlack, kWhite);
    p.box(1, 6, 14, 12, kBlack, kSilver);
    p.hline(2, 13, 7, kWhite);
    p.hline(2, 13, 11, kGrey);
    p.dot(12, 9, kLime);
    p.box(3, 10, 12, 14, kBlack, kWhite);
    p.hline(5, 10, 12, kNavy);
    return p.take();
}

QImage closeGlyph()
{
    PixelPainter p(16);
    // A door standing open with an arrow leading out.
    p.box(1, 1, 8, 14, kBlack, kGrey);
    p.polygon(QPolygon({QPoint(2, 2), QPoint(6, 4), QPoint(6, 15), QPoint(2, 14)}), kMaroon);
    p.line(2, 1, 6, 3, kBlack);
    p.vline(6, 3, 15, kBlack);
    p.dot(5, 9, kYellow);
    p.fill(8, 7, 11, 8, kGreen);
    for (int k = 0; k < 4; ++k)
        p.vline(11 + k, 4 + k, 11 - k, kGreen);
    return p.take();
}

QImage aboutGlyph()
{
    PixelPainter p(16);
    // The information sign.
    p.disc(0, 0, 16, kNavy, kBlue);
    p.fill(7, 3, 8, 4, kWhite);
    p.fill(7, 6, 8, 12, kWhite);
    p.dot(6, 6, kWhite);
    p.hline(6, 9, 12, kWhite);
    return p.take();
}

// The 16-pixel icon, every pixel placed.
QImage smallIcon()
{
    PixelPainter p(16);
    p.box(0, 1, 15, 14, kBlack, kSilver);
    p.fill(1, 2, 2, 13, kGrey);
    p.box(3, 2, 14, 13, kNavy, kNavy);
    p.disc(4, 3, 10, kBlack, kSilver);
    p.dot(6, 5, kWhite);
    p.dot(7, 5, kWhite);
    p.dot(6, 6, kWhite);
    p.hline(8, 9, 6, kGrey);
    p.hline(8, 9, 9, kGrey);
    p.vline(7, 7, 8, kGrey);
    p.vline(10, 7, 8, kGrey);
    p.fill(8, 7, 9, 8, kNavy);
    return p.take();
}

// The same design drawn smoothly in a 48-unit square; the SVG in resources/ follows it.
QImage largeIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 48.0, size / 48.0);

    // Case.
    p.setPen(QPen(QColor(32, 32, 32), 2));
    p.setBrush(kSilver);
    p.drawRoundedRect(QRectF(2, 4, 44, 40), 2, 2);
    // Hinge.
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawRect(QRectF(3, 5, 5, 38));
    // Insert.
    p.setBrush(kNavy);
    p.drawRect(QRectF(10, 7, 33, 34));
    // Disc with its ring and hole.
    p.setPen(QPen(QColor(32, 32, 32), 1.5));
    p.setBrush(QColor(224, 224, 224));
    p.drawEllipse(QPointF(27, 22), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    QPainterPath shine;
    shine.moveTo(27, 22);
    shine.arcTo(QRectF(17, 12, 20, 20), 100, 50);
    shine.closeSubpath();
    p.drawPath(shine);
    p.setBrush(kGrey);
    p.drawEllipse(QPointF(27, 22), 5, 5);
    p.setBrush(kNavy);
    p.drawEllipse(QPointF(27, 22), 2.5, 2.5);
    // Title lines of the insert.
    p.setBrush(kYellow);
    p.drawRect(QRectF(14, 36, 18, 2));
    p.setBrush(kAqua);
    p.drawRect(QRectF(34, 36, 6, 2));
    p.end();
    return image;
}

} // namespace

QImage glyphImage(Glyph glyph)
{
    switch (glyph) {
    case Glyph::NewCover: return newCoverGlyph();
    case Glyph::EditTracks: return editTracksGlyph();
    case Glyph::FontTypeColor: return fontGlyph();
    case Glyph::Left: return alignedLinesGlyph(false);
    case Glyph::Center: return alignedLinesGlyph(true);
    case Glyph::Image: return imageGlyph();
    case Glyph::Print: return printGlyph();
    case Glyph::Close: return closeGlyph();
    case Glyph::About: return aboutGlyph();
    }
    return {};
}

QImage disabledGlyph(const QImage& normal)
{
    const QImage source = normal.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    auto isDark = [&](int x, int y) {
        const QRgb c = source.pixel(x, y);
        return qAlpha(c) > 0 && qGray(c) < 160;
    };
    const QRgb grey = qRgb(128, 128, 128);
    const QRgb highlight = qRgb(255, 255, 255);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (isDark(x, y) && x + 1 < out.width() && y + 1 < out.height())
                out.setPixel(x + 1, y + 1, highlight);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (isDark(x, y))
                out.setPixel(x, y, grey);
    return out;
}

QImage windowIconImage(int size)
{
    if (size == 16)
        return smallIcon();
    return largeIcon(size);
}

QIcon windowIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(windowIconImage(16)));
    icon.addPixmap(QPixmap::fromImage(windowIconImage(32)));
    icon.addPixmap(QPixmap::fromImage(windowIconImage(48)));
    return icon;
}

} // namespace plattera
