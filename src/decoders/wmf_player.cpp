#include "wmf_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QFontMetricsF>
#include <QPainterPath>

#include <uwmf.h>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"

namespace plattera::wmf {
namespace {

// Room after every record copy, so that libuemf's readers of fixed-size fields never
// reach past our buffer even when a record is shorter than its type requires.
constexpr std::size_t kRecordPadding = 64;


uint32_t readU32(const char* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Text in a metafile is 8-bit in the font's character set; Western files use code page
// 1252, whose 0x80-0x9F block differs from Latin-1.
QString decodeCp1252(const QByteArray& bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = uint8_t(c);
        s.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(b));
    }
    return s;
}

// Symbol-font text stores Greek letters and math signs at Latin positions; fontconfig's
// substitutes for "Symbol" are Unicode fonts, so the codes are translated.
QString decodeSymbol(const QByteArray& bytes)
{
    static const char16_t upper[26] = {
        0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1,
        0x039A, 0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4,
        0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
    static const char16_t lower[26] = {
        0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5,
        0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4,
        0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    struct Pair { uint8_t code; char16_t unicode; };
    static const Pair others[] = {
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
        {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0xA2, 0x2032}, {0xA3, 0x2264},
        {0xA5, 0x221E}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193},
        {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB6, 0x2202},
        {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248},
        {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xCE, 0x2208}, {0xD0, 0x2220},
        {0xD1, 0x2207}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xDB, 0x21D4},
        {0xDE, 0x21D2}, {0xE5, 0x2211}, {0xF2, 0x222B}};
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = uint8_t(c);
        char16_t u = b;
        if (b >= 'A' && b <= 'Z')
            u = upper[b - 'A'];
        else if (b >= 'a' && b <= 'z')
            u = lower[b - 'a'];
        else
            for (const Pair& p : others)
                if (p.code == b)
                    u = p.unicode;
        s.append(QChar(u));
    }
    return s;
}

QPainter::CompositionMode compositionForRop(unsigned rop)
{
    switch (rop) {
    case 0x008800C6: return QPainter::RasterOp_SourceAndDestination;     // SRCAND
    case 0x00EE0086: return QPainter::RasterOp_SourceOrDestination;      // SRCPAINT
    case 0x00660046: return QPainter::RasterOp_SourceXorDestination;     // SRCINVERT
    case 0x00330008: return QPainter::RasterOp_NotSource;                // NOTSRCCOPY
    case 0x00BB0226: return QPainter::RasterOp_NotSourceOrDestination;   // MERGEPAINT
    case 0x00440328: return QPainter::RasterOp_SourceAndNotDestination;  // SRCERASE
    case 0x001100A6: return QPainter::RasterOp_NotSourceAndNotDestination; // NOTSRCERASE
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// GDI excludes the right and bottom edges of a rectangle given to its shape calls.
QRectF gdiShapeRect(const QRectF& r) { return r.adjusted(0, 0, -1, -1); }

} // namespace

WmfPlayer::WmfPlayer(QImage& target, const QRectF& frame, int objectCount)
    : m_image(target), m_painter(&target), m_frame(frame)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_objects.reserve(std::clamp(objectCount, 0, 4096));
    m_dc.pen.kind = GdiObject::Kind::Pen;
    m_dc.pen.penColor = Qt::black;
    m_dc.brush.kind = GdiObject::Kind::Brush;
    m_dc.brush.brushColor = Qt::white;
    m_dc.font.kind = GdiObject::Kind::Font;
    m_dc.windowOrg = m_dc.viewportOrg = frame.topLeft();
    m_dc.windowExt = m_dc.viewportExt = QPointF(frame.width(), frame.height());
    updateTransform();
}

QString WmfPlayer::play(const char* begin, const char* end)
{
    std::vector<char> record;
    const char* p = begin;
    for (int count = 0; count < kMaxRecords && end - p >= 6; ++count) {
        const std::size_t remaining = std::size_t(end - p);
        const std::size_t size = U_WMRRECSAFE_get(p, end);
        const uint64_t claimed = uint64_t(readU32(p)) * 2;
        if (size == 0 || size > remaining) {
            if (claimed > remaining)
                return QStringLiteral("The metafile is truncated: a record runs past the end of the file.");
            return QStringLiteral("The metafile has a damaged record (size %1 bytes).").arg(claimed);
        }
        const uint16_t function = leU16(p + 4);
        if (function == 0) // EOF record
            break;
        record.assign(size + kRecordPadding, 0);
        std::memcpy(record.data(), p, size);
        playRecord(function & U_WMR_MASK, record.data(), size);
        p += size;
    }
    return QString();
}

void WmfPlayer::updateTransform()
{
    const double winX = m_dc.windowExt.x() != 0 ? m_dc.windowExt.x() : 1;
    const double winY = m_dc.windowExt.y() != 0 ? m_dc.windowExt.y() : 1;
    double sx = m_dc.viewportExt.x() / winX;
    double sy = m_dc.viewportExt.y() / winY;
    if (m_dc.mapMode == 7) { // MM_ISOTROPIC keeps logical units square
        const double s = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
    }
    const double kx = m_image.width() / (m_frame.width() != 0 ? m_frame.width() : 1);
    const double ky = m_image.height() / (m_frame.height() != 0 ? m_frame.height() : 1);
    const double dx = (m_dc.viewportOrg.x() - m_dc.windowOrg.x() * sx - m_frame.x()) * kx;
    const double dy = (m_dc.viewportOrg.y() - m_dc.windowOrg.y() * sy - m_frame.y()) * ky;
    m_transform = QTransform(sx * kx, 0, 0, sy * ky, dx, dy);
}

// Device positions are whole pixels, as GDI rounds them.
QPointF WmfPlayer::map(double x, double y) const
{
    const QPointF p = m_transform.map(QPointF(x, y));
    const auto clampRound = [](double v) { return std::round(std::clamp(v, -1e6, 1e6)); };
    return QPointF(clampRound(p.x()), clampRound(p.y()));
}

QRectF WmfPlayer::mapRect(int left, int top, int right, int bottom) const
{
    return QRectF(map(left, top), map(right, bottom)).normalized();
}

void WmfPlayer::addObject(GdiObject object)
{
    while (m_lowestFree < m_objects.size() && m_objects[m_lowestFree].kind != GdiObject::Kind::Free)
        ++m_lowestFree;
    if (m_lowestFree == m_objects.size()) {
        if (m_objects.size() >= std::size_t(kMaxObjects))
            return;
        m_objects.emplace_back();
    }
    m_objects[m_lowestFree] = std::move(object);
    ++m_lowestFree;
}

void WmfPlayer::selectObject(int index)
{
    if (index < 0 || std::size_t(index) >= m_objects.size())
        return;
    const GdiObject& object = m_objects[std::size_t(index)];
    switch (object.kind) {
    case GdiObject::Kind::Pen: m_dc.pen = object; break;
    case GdiObject::Kind::Brush: m_dc.brush = object; break;
    case GdiObject::Kind::Font: m_dc.font = object; break;
    default: break;
    }
}

void WmfPlayer::deleteObject(int index)
{
    if (index < 0 || std::size_t(index) >= m_objects.size())
        return;
    m_objects[std::size_t(index)] = GdiObject();
    m_lowestFree = std::min(m_lowestFree, std::size_t(index));
}

void WmfPlayer::applyClip()
{
    if (!m_clipDirty)
        return;
    if (m_dc.clipped)
        m_painter.setClipRegion(m_dc.clip);
    else
        m_painter.setClipping(false);
    m_clipDirty = false;
}

bool WmfPlayer::beginDrawing(const QRectF& bounds)
{
    const QRectF covered = bounds.normalized().adjusted(-1, -1, 1, 1) & QRectF(m_image.rect());
    m_paintedArea += covered.width() * covered.height();
    if (++m_drawingOps > kMaxDrawingOps || m_paintedArea > kMaxPaintedArea)
        return false;
    applyClip();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
}

QPen WmfPlayer::currentPen() const
{
    const GdiObject& pen = m_dc.pen;
    const int style = pen.penStyle & 0x0F;
    if (style == 5) // PS_NULL
        return QPen(Qt::NoPen);
    const double width = pen.penWidth <= 0 ? 1.0 : std::max(1.0, std::round(pen.penWidth * scaleX()));
    QPen qpen(pen.penColor, std::min(width, 10000.0));
    if (width <= 1) { // GDI draws styled lines only with thin pens
        switch (style) {
        case 1: qpen.setStyle(Qt::DashLine); break;
        case 2: qpen.setStyle(Qt::DotLine); break;
        case 3: qpen.setStyle(Qt::DashDotLine); break;
        case 4: qpen.setStyle(Qt::DashDotDotLine); break;
        default: break;
        }
    }
    switch (pen.penStyle & 0x0F00) {
    case 0x0100: qpen.setCapStyle(Qt::SquareCap); break;
    case 0x0200: qpen.setCapStyle(Qt::FlatCap); break;
    default: qpen.setCapStyle(Qt::RoundCap); break;
    }
    switch (pen.penStyle & 0xF000) {
    case 0x1000: qpen.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: qpen.setJoinStyle(Qt::MiterJoin); break;
    default: qpen.setJoinStyle(Qt::RoundJoin); break;
    }
    return qpen;
}

QBrush WmfPlayer::currentBrush() const
{
    const GdiObject& brush = m_dc.brush;
    switch (brush.brushStyle) {
    case 0: return QBrush(brush.brushColor);
    case 2: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (brush.hatch >= 0 && brush.hatch < 6)
            return QBrush(brush.brushColor, hatches[brush.hatch]);
        return QBrush(brush.brushColor);
    }
    case 3:
    case 5:
    case 6:
        if (!brush.pattern.isNull())
            return QBrush(brush.pattern);
        return QBrush(Qt::black);
    default: return QBrush(Qt::NoBrush);
    }
}

namespace {
// A hatched brush on an opaque background fills the gaps with the background colour.
void fillAndStroke(QPainter& painter, const QPainterPath& path, const QPen& pen, const QBrush& brush,
                   bool hatchedOnOpaque, const QColor& bk)
{
    if (hatchedOnOpaque)
        painter.fillPath(path, bk);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.drawPath(path);
}
} // namespace

void WmfPlayer::drawRectangle(const QRectF& r, double roundW, double roundH)
{
    if (!beginDrawing(r))
        return;
    QPainterPath path;
    path.setFillRule(m_dc.fillRule);
    if (roundW > 0 && roundH > 0)
        path.addRoundedRect(gdiShapeRect(r), roundW / 2, roundH / 2);
    else
        path.addRect(gdiShapeRect(r));
    fillAndStroke(m_painter, path, currentPen(), currentBrush(),
                  m_dc.brush.brushStyle == 2 && m_dc.bkOpaque, m_dc.bkColor);
}

void WmfPlayer::drawEllipse(const QRectF& r)
{
    if (!beginDrawing(r))
        return;
    QPainterPath path;
    path.addEllipse(gdiShapeRect(r));
    fillAndStroke(m_painter, path, currentPen(), currentBrush(),
                  m_dc.brush.brushStyle == 2 && m_dc.bkOpaque, m_dc.bkColor);
}

// Arcs run counterclockwise in logical space, so a mapping that flips one axis turns
// them clockwise on the image.
void WmfPlayer::drawArcFamily(int type, const QRectF& r, QPointF start, QPointF end)
{
    if (!beginDrawing(r))
        return;
    const QRectF box = gdiShapeRect(r);
    const QPointF c = box.center();
    const double a1 = std::atan2(c.y() - start.y(), start.x() - c.x()) * 180 / M_PI;
    const double a2 = std::atan2(c.y() - end.y(), end.x() - c.x()) * 180 / M_PI;
    double sweep = std::fmod(a2 - a1 + 720.0, 360.0);
    if (sweep <= 1e-9)
        sweep = 360;
    if (m_transform.m11() * m_transform.m22() < 0)
        sweep -= 360;
    if (sweep == 0)
        sweep = -360;

    QPainterPath path;
    if (type == U_WMR_PIE) {
        path.moveTo(c);
        path.arcTo(box, a1, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, a1);
        path.arcTo(box, a1, sweep);
        if (type == U_WMR_CHORD)
            path.closeSubpath();
    }
    if (type == U_WMR_ARC) {
        m_painter.strokePath(path, currentPen());
        return;
    }
    fillAndStroke(m_painter, path, currentPen(), currentBrush(),
                  m_dc.brush.brushStyle == 2 && m_dc.bkOpaque, m_dc.bkColor);
}

void WmfPlayer::drawPolygon(const QPolygonF& polygon)
{
    if (polygon.size() < 2 || !beginDrawing(polygon.boundingRect()))
        return;
    QPainterPath path;
    path.setFillRule(m_dc.fillRule);
    path.addPolygon(polygon);
    path.closeSubpath();
    fillAndStroke(m_painter, path, currentPen(), currentBrush(),
                  m_dc.brush.brushStyle == 2 && m_dc.bkOpaque, m_dc.bkColor);
}

void WmfPlayer::drawPolyline(const QPolygonF& polygon)
{
    if (polygon.size() < 2 || !beginDrawing(polygon.boundingRect()))
        return;
    m_painter.setPen(currentPen());
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPolyline(polygon);
}

void WmfPlayer::fillPattern(const QRectF& r, unsigned rop)
{
    if (!beginDrawing(r))
        return;
    switch (rop) {
    case 0x00F00021: // PATCOPY
        m_painter.fillRect(r, currentBrush());
        break;
    case 0x00000042: // BLACKNESS
        m_painter.fillRect(r, Qt::black);
        break;
    case 0x00FF0062: // WHITENESS
        m_painter.fillRect(r, Qt::white);
        break;
    case 0x005A0049: // PATINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter.fillRect(r, currentBrush());
        break;
    case 0x00550009: // DSTINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter.fillRect(r, Qt::black);
        break;
    default:
        break;
    }
}

void WmfPlayer::drawText(QPointF logicalPos, const QByteArray& bytes, const std::vector<int>& dx,
                         int options, const QRectF& rect)
{
    if (!beginDrawing(rect))
        return;
    const GdiObject& f = m_dc.font;
    QFont font(f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
    double pixels = std::abs(f.fontHeight) * scaleY();
    if (f.fontHeight == 0)
        pixels = 12;
    if (f.fontHeight > 0 && pixels >= 1) {
        // A positive height is the character cell (ascent + descent), not the em size.
        font.setPixelSize(std::max(1, int(std::lround(std::min(pixels, 4000.0)))));
        const QFontMetricsF probe(font);
        if (probe.height() > 0)
            pixels = pixels * pixels / (probe.ascent() + probe.descent());
    }
    if (pixels < 1)
        return;
    font.setPixelSize(int(std::lround(std::min(pixels, 4000.0))));
    font.setWeight(QFont::Weight(f.weight <= 0 ? 400 : std::clamp(f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    const QString text = f.charSet == 2 ? decodeSymbol(bytes) : decodeCp1252(bytes);
    const QFontMetricsF fm(font);

    std::vector<double> advances;
    double width = 0;
    if (!dx.empty() && dx.size() == std::size_t(text.size())) {
        for (int d : dx) {
            advances.push_back(d * scaleX());
            width += advances.back();
        }
    } else {
        width = fm.horizontalAdvance(text);
    }

    const bool updateCp = m_dc.textAlign & 1;
    const QPointF origin = updateCp ? m_dc.currentPos : logicalPos;
    const QPointF p = map(origin.x(), origin.y());
    double x0 = 0;
    switch (m_dc.textAlign & 6) {
    case 2: x0 = -width; break;
    case 6: x0 = -width / 2; break;
    default: break;
    }
    double baseline = fm.ascent(); // TA_TOP
    if ((m_dc.textAlign & 24) == 24)
        baseline = 0;
    else if (m_dc.textAlign & 8)
        baseline = -fm.descent();

    m_painter.save();
    if (options & 2) // ETO_OPAQUE
        m_painter.fillRect(rect, m_dc.bkColor);
    if (options & 4) // ETO_CLIPPED
        m_painter.setClipRect(rect, Qt::IntersectClip);
    m_painter.translate(p);
    m_painter.rotate(-f.escapement / 10.0);
    if (m_dc.bkOpaque && !(options & 2))
        m_painter.fillRect(QRectF(x0, baseline - fm.ascent(), width, fm.ascent() + fm.descent()), m_dc.bkColor);
    m_painter.setFont(font);
    m_painter.setPen(m_dc.textColor);
    if (advances.empty()) {
        m_painter.drawText(QPointF(x0, baseline), text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            m_painter.drawText(QPointF(x, baseline), QString(text[i]));
            x += advances[std::size_t(i)];
        }
    }
    m_painter.restore();
    m_clipDirty = true;

    if (updateCp && m_transform.m11() != 0) {
        const double logicalWidth = width / m_transform.m11();
        if ((m_dc.textAlign & 6) == 0)
            m_dc.currentPos.rx() += logicalWidth;
        else if ((m_dc.textAlign & 6) == 2)
            m_dc.currentPos.rx() -= logicalWidth;
    }
}

void WmfPlayer::drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize,
                        QPointF src, QPointF srcSize, unsigned rop, bool sourceFromBottom)
{
    if (rop == 0x00AA0029) // leaves the destination as it is
        return;
    const QRectF target(map(dst.x(), dst.y()), map(dst.x() + dstSize.x(), dst.y() + dstSize.y()));
    QImage image = decodeDib(dib, length);
    if (image.isNull() || !beginDrawing(target))
        return;
    double sy = src.y();
    const bool bottomUp = length >= 12 && (readU32(dib) == 12 ? leI16(dib + 6) > 0
                                                                : int32_t(readU32(dib + 8)) > 0);
    if (sourceFromBottom && bottomUp)
        sy = image.height() - src.y() - srcSize.y();
    QRectF source = QRectF(src.x(), sy, srcSize.x(), srcSize.y()).normalized() & QRectF(image.rect());
    if (source.isEmpty())
        return;
    const QPointF a = map(dst.x(), dst.y());
    const QPointF b = map(dst.x() + dstSize.x(), dst.y() + dstSize.y());
    if (a.x() == b.x() || a.y() == b.y())
        return;
    image = image.copy(source.toRect()).mirrored(b.x() < a.x(), b.y() < a.y());
    m_painter.setCompositionMode(compositionForRop(rop));
    m_painter.drawImage(QRectF(a, b).normalized(), image);
}

QImage decodeDib(const char* dib, std::size_t length)
{
    if (!dib || length < 12)
        return QImage();
    DibSource source;
    source.data = reinterpret_cast<const unsigned char*>(dib);
    source.size = length;
    const DecodeResult result = plattera::decodeDib(source, false);
    return result.ok() ? result.image : QImage();
}

} // namespace plattera::wmf
