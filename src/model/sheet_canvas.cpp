#include "model/sheet_canvas.h"

#include <cstdlib>
#include <vector>

#include <QFontMetrics>
#include <QPainter>

#include "model/sheet_text_thread.h"

namespace plattera {

QFont makeQFont(const QString& face, int pixelHeight)
{
    QFont f(face);
    f.setPixelSize(pixelHeight < 1 ? 1 : pixelHeight);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

void stretchNearest(QImage& dst, const QRect& dest, const QImage& src, const QRect& source)
{
    if (dest.width() <= 0 || dest.height() <= 0 || source.width() <= 0 || source.height() <= 0)
        return;
    const QImage* from = &src;
    QImage converted;
    if (src.format() != QImage::Format_RGB32 && src.format() != QImage::Format_ARGB32) {
        converted = src.convertToFormat(QImage::Format_RGB32);
        from = &converted;
    }
    const QRect clipped = dest & dst.rect();
    if (clipped.isEmpty())
        return;

    const long long dw = dest.width(), dh = dest.height();
    const long long sw = source.width(), sh = source.height();
    std::vector<int> columns(size_t(clipped.width()));
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
        const long long d = x - dest.left();
        int sx = source.left() + int(d * sw / dw);
        columns[size_t(x - clipped.left())] = qBound(0, sx, from->width() - 1);
    }
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const long long d = y - dest.top();
        const int sy = qBound(0, source.top() + int(d * sh / dh), from->height() - 1);
        const QRgb* in = reinterpret_cast<const QRgb*>(from->constScanLine(sy));
        QRgb* out = reinterpret_cast<QRgb*>(dst.scanLine(y)) + clipped.left();
        for (size_t i = 0; i < columns.size(); ++i)
            out[i] = 0xFF000000u | in[columns[i]];
    }
}

SheetCanvas::SheetCanvas(int width, int height, int ppi)
    : m_width(width), m_height(height), m_ppi(ppi)
{
}

void SheetCanvas::ensure() const
{
    if (m_image.isNull()) {
        m_image = QImage(m_width, m_height, QImage::Format_RGB32);
        m_image.fill(Qt::white);
    }
}

QImage& SheetCanvas::image()
{
    ensure();
    return m_image;
}

const QImage& SheetCanvas::image() const
{
    ensure();
    return m_image;
}

void SheetCanvas::plot(int x, int y, QRgb colour)
{
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = colour;
}

void SheetCanvas::fillRect(int l, int t, int r, int b)
{
    ensure();
    if (brushStyle() == BrushStyle::Clear)
        return;
    const QRect area = QRect(l, t, r - l, b - t) & m_image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            row[x] = qRgb(255, 255, 255);
    }
}

void SheetCanvas::lineTo(int x1, int y1)
{
    ensure();
    // Bresenham from the current position; the end point itself is left unpainted.
    const QRgb colour = toQRgb(penColour());
    int x = penX(), y = penY();
    const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    const int stepX = x < x1 ? 1 : -1, stepY = y < y1 ? 1 : -1;
    int err = dx + dy;
    while (x != x1 || y != y1) {
        plot(x, y, colour);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y += stepY;
        }
    }
    setPenPosition(x1, y1);
}

void SheetCanvas::rectangle(int l, int t, int r, int b)
{
    ensure();
    if (r - l <= 0 || b - t <= 0)
        return;
    fillRect(l + 1, t + 1, r - 1, b - 1);
    const QRgb colour = toQRgb(penColour());
    for (int x = l; x < r; ++x) {
        plot(x, t, colour);
        plot(x, b - 1, colour);
    }
    for (int y = t; y < b; ++y) {
        plot(l, y, colour);
        plot(r - 1, y, colour);
    }
}

QFont SheetCanvas::qfont() const
{
    return makeQFont(font().face, mulDiv(font().size, m_ppi, 72));
}

// The text of the sheets is measured and drawn on a thread of its own: see onSheetTextThread.

int SheetCanvas::textWidth(const QString& text)
{
    ensure();
    int width = 0;
    onSheetTextThread([&] { width = QFontMetrics(qfont(), &m_image).horizontalAdvance(text); });
    return width;
}

int SheetCanvas::textHeight(const QString& text)
{
    Q_UNUSED(text);
    ensure();
    int height = 0;
    onSheetTextThread([&] { height = QFontMetrics(qfont(), &m_image).height(); });
    return height;
}

void SheetCanvas::textOut(int x, int y, const QString& text)
{
    ensure();
    int width = 0;
    onSheetTextThread([&] {
        const QFont qf = qfont();
        const QFontMetrics fm(qf, &m_image);
        width = fm.horizontalAdvance(text);
        QPainter p(&m_image);
        p.setFont(qf);
        p.translate(x, y);
        // Qt turns clockwise on a y-down target; the escapement turns counter-clockwise.
        p.rotate(-font().escapement / 10.0);
        if (brushStyle() == BrushStyle::Solid && !text.isEmpty())
            p.fillRect(QRect(0, 0, width, fm.height()), Qt::white);
        p.setPen(toQColor(font().colour));
        p.drawText(QPoint(0, fm.ascent()), text);
    });
    setPenPosition(x + width, y);
}

void SheetCanvas::stretchDraw(const QRect& dest, const Picture& picture)
{
    ensure();
    const QImage& bitmap = picture.image;
    if (bitmap.isNull())
        return;
    stretchNearest(m_image, dest, bitmap, bitmap.rect());
}

void SheetCanvas::copyRect(const QRect& dest, SheetCanvas& source, const QRect& sourceRect)
{
    ensure();
    stretchNearest(m_image, dest, source.image(), sourceRect);
}

} // namespace plattera
