#include "print/page_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include "model/sheet_canvas.h"
#include "print/pdf_pictures.h"

namespace plattera {

PageCanvas::PageCanvas(QPainter& painter) : m_painter(painter)
{
    const QPaintDevice* device = painter.device();
    const double sx = device ? device->logicalDpiX() / kPageUnitsPerInch : 1.0;
    const double sy = device ? device->logicalDpiY() / kPageUnitsPerInch : 1.0;
    m_paperToDevice = QTransform::fromScale(sx, sy);
    m_painter.setWorldTransform(m_paperToDevice);
    // Edges fall on whole tenths of a millimetre; blending them would smear them over two.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
}

QFont PageCanvas::qfont() const
{
    QFont f = makeQFont(font().face, fontHeight(font().size));
    // At print sizes hinting only rounds advances; without it the measured width is the
    // width that reaches the paper on any device.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void PageCanvas::paintPaper(double x, double y, double w, double h, const QColor& colour)
{
    if (w <= 0 || h <= 0)
        return;
    m_painter.fillRect(QRectF(x, y, w, h), colour);
}

void PageCanvas::fillRect(int l, int t, int r, int b)
{
    if (brushStyle() == BrushStyle::Clear)
        return;
    // Page y runs up: the top is the larger value and lies nearer the paper's top edge.
    paintPaper(l, -t, r - l, t - b, Qt::white);
}

void PageCanvas::lineTo(int x1, int y1)
{
    const int x0 = penX(), y0 = penY();
    setPenPosition(x1, y1);
    const int dx = x1 - x0, dy = y1 - y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0)
        return;
    // The squares from the start up to the last one before the end, as on a sheet: a pen one
    // unit wide through their centres with square caps covers each of them whole.
    const double lastX = x0 + double(dx) * (steps - 1) / steps;
    const double lastY = y0 + double(dy) * (steps - 1) / steps;
    QPen pen(toQColor(penColour()));
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter.save();
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawLine(QPointF(x0 + 0.5, -y0 + 0.5), QPointF(lastX + 0.5, -lastY + 0.5));
    m_painter.restore();
}

void PageCanvas::rectangle(int l, int t, int r, int b)
{
    // In paper units (y down) with right and bottom exclusive.
    const int left = std::min(l, r), right = std::max(l, r);
    const int top = std::min(-t, -b), bottom = std::max(-t, -b);
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0)
        return;
    if (brushStyle() == BrushStyle::Solid)
        paintPaper(left + 1, top + 1, w - 2, h - 2, Qt::white);
    const QColor pen = toQColor(penColour());
    paintPaper(left, top, w, 1, pen);
    paintPaper(left, bottom - 1, w, 1, pen);
    paintPaper(left, top + 1, 1, h - 2, pen);
    paintPaper(right - 1, top + 1, 1, h - 2, pen);
}

void PageCanvas::clipTo(int l, int t, int r, int b)
{
    m_painter.setClipRect(QRectF(l, -t, r - l, t - b));
}

void PageCanvas::clearClip()
{
    m_painter.setClipping(false);
}

void PageCanvas::keepTextsWithin(int l, int t, int r, int b)
{
    m_textBounds = QRectF(l, -t, r - l, t - b);
}

void PageCanvas::squeezeDown(int fromY, double factor)
{
    // Paper y runs down from -fromY. A clip is kept in device space: it stays where it was.
    const double from = -fromY;
    const QTransform squeeze = QTransform::fromTranslate(0, -from) *
        QTransform::fromScale(1, factor) * QTransform::fromTranslate(0, from);
    m_painter.setWorldTransform(squeeze * m_paperToDevice);
}

int PageCanvas::textWidth(const QString& text)
{
    return int(std::lround(QFontMetricsF(qfont()).horizontalAdvance(text)));
}

int PageCanvas::textHeight(const QString& text)
{
    Q_UNUSED(text);
    const QFontMetricsF fm(qfont());
    return int(std::lround(fm.ascent() + fm.descent()));
}

void PageCanvas::textOut(int x, int y, const QString& text)
{
    const QFont qf = qfont();
    const QFontMetricsF fm(qf);
    const double width = fm.horizontalAdvance(text);
    m_painter.save();
    if (!m_textBounds.isEmpty()) {
        const QTransform world = m_painter.worldTransform();
        m_painter.setWorldTransform(m_paperToDevice);
        m_painter.setClipRect(m_textBounds,
                              m_painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        m_painter.setWorldTransform(world);
    }
    m_painter.translate(x, -y);
    // On paper (y down) a positive Qt angle turns clockwise: -900 gives a quarter turn
    // counter-clockwise, the text reading upwards.
    m_painter.rotate(font().escapement / 10.0);
    if (brushStyle() == BrushStyle::Solid && !text.isEmpty())
        m_painter.fillRect(QRectF(0, 0, width, fm.ascent() + fm.descent()), Qt::white);
    m_painter.setFont(qf);
    m_painter.setPen(toQColor(font().colour));
    m_painter.drawText(QPointF(0, fm.ascent()), text);
    m_painter.restore();
    setPenPosition(x + int(std::lround(width)), y);
}

void PageCanvas::stretchDraw(const QRect& dest, const Picture& picture)
{
    const QImage& bitmap = picture.image;
    if (bitmap.isNull() || dest.width() == 0 || dest.height() == 0)
        return;
    // QRect keeps (x, y, w, h); the page span runs from y to y + h, upwards or downwards.
    const QRectF paper = QRectF(dest.x(), -dest.y(), dest.width(), -dest.height()).normalized();
    // Qt embeds pictures as JPEG unless told otherwise: only a picture that was a JPEG already
    // may lose detail again; hard edges from a lossless file would ring.
    m_painter.setRenderHint(QPainter::LosslessImageRendering, !picture.lossy());
    if (m_heldBack && m_painter.testRenderHint(QPainter::LosslessImageRendering)) {
        m_painter.drawImage(paper, m_heldBack->standIn(bitmap), QRectF(0, 0, 1, 1));
        return;
    }
    m_painter.drawImage(paper, bitmap, QRectF(bitmap.rect()));
}

} // namespace plattera
