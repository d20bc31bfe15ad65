#include "decoders/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QFontMetricsF>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"

namespace plattera::metafile {
namespace {

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
char16_t symbolCode(char16_t code)
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
        {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0xA1, 0x03D2},
        {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x0192},
        {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194},
        {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0},
        {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB5, 0x221D},
        {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261},
        {0xBB, 0x2248}, {0xBC, 0x2026}, {0xBF, 0x21B5}, {0xC0, 0x2135}, {0xC1, 0x2111},
        {0xC2, 0x211C}, {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205},
        {0xC7, 0x2229}, {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284},
        {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220},
        {0xD1, 0x2207}, {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD5, 0x220F},
        {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228},
        {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2}, {0xDF, 0x21D3},
        {0xE0, 0x25CA}, {0xE1, 0x2329}, {0xE5, 0x2211}, {0xE6, 0x239B}, {0xE7, 0x239C},
        {0xE8, 0x239D}, {0xE9, 0x23A1}, {0xEA, 0x23A2}, {0xEB, 0x23A3}, {0xEC, 0x23A7},
        {0xED, 0x23A8}, {0xEE, 0x23A9}, {0xEF, 0x23AA}, {0xF1, 0x232A}, {0xF2, 0x222B},
        {0xF3, 0x2320}, {0xF4, 0x23AE}, {0xF5, 0x2321}, {0xF6, 0x239E}, {0xF7, 0x239F},
        {0xF8, 0x23A0}, {0xF9, 0x23A4}, {0xFA, 0x23A5}, {0xFB, 0x23A6}, {0xFC, 0x23AB},
        {0xFD, 0x23AC}, {0xFE, 0x23AD}};
    if (code >= 0xF020 && code <= 0xF0FF) // the font's private-use alias of its own codes
        code -= 0xF000;
    if (code >= 'A' && code <= 'Z')
        return upper[code - 'A'];
    if (code >= 'a' && code <= 'z')
        return lower[code - 'a'];
    for (const Pair& p : others)
        if (p.code == code)
            return p.unicode;
    return code;
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


// A hatched brush on an opaque background fills the gaps with the background colour.
void fillAndStroke(QPainter& painter, const QPainterPath& path, const QPen& pen, const QBrush& brush,
                   bool hatchedOnOpaque, const QColor& bk)
{
    if (hatchedOnOpaque && brush.style() != Qt::NoBrush)
        painter.fillPath(path, bk);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.drawPath(path);
}

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Shapes turned by a world transform are mapped as a whole rather than point by point, so
// they are held to the same range the point mapping clamps to.
bool withinReach(const QRectF& r)
{
    return QRectF(-1e6, -1e6, 2e6, 2e6).contains(r);
}

// Characters one text record may draw; each is positioned on its own.
constexpr qsizetype kMaxTextLength = 10000;

} // namespace

QString symbolToUnicode(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = QChar(symbolCode(c.unicode()));
    return out;
}

MetafilePlayer::MetafilePlayer(QImage& target, const QTransform& deviceToImage, int objectCount)
    : m_image(target), m_painter(&target), m_deviceToImage(deviceToImage)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_objects.reserve(std::size_t(std::clamp(objectCount, 0, 4096)));
    m_dc.pen.kind = GdiObject::Kind::Pen;
    m_dc.pen.penColor = Qt::black;
    m_dc.brush.kind = GdiObject::Kind::Brush;
    m_dc.brush.brushColor = Qt::white;
    m_dc.font.kind = GdiObject::Kind::Font;
    m_dc.windowExt = m_dc.viewportExt = QPointF(1, 1);
    updateTransform();
}

void MetafilePlayer::updateTransform()
{
    double sx = 1, sy = 1;
    const int mode = m_dc.mapMode;
    // Logical units of the metric modes in millimetres: 0.1 mm, 0.01 mm, 0.01 in, 0.001 in, twips.
    static const double metricMm[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    if (m_devicePerMm.x() > 0 && mode >= 2 && mode <= 6) {
        sx = metricMm[mode - 2] * m_devicePerMm.x();
        sy = -metricMm[mode - 2] * m_devicePerMm.y();
    } else if (m_devicePerMm.x() <= 0 || mode == 7 || mode == 8) {
        const double winX = m_dc.windowExt.x() != 0 ? m_dc.windowExt.x() : 1;
        const double winY = m_dc.windowExt.y() != 0 ? m_dc.windowExt.y() : 1;
        sx = m_dc.viewportExt.x() / winX;
        sy = m_dc.viewportExt.y() / winY;
        if (mode == 7) { // MM_ISOTROPIC keeps logical units square
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    const QTransform page(sx, 0, 0, sy, m_dc.viewportOrg.x() - m_dc.windowOrg.x() * sx,
                          m_dc.viewportOrg.y() - m_dc.windowOrg.y() * sy);
    m_transform = m_dc.world * page * m_deviceToImage;
}

// Device positions are whole pixels, as GDI rounds them.
QPointF MetafilePlayer::map(double x, double y) const
{
    const QPointF p = m_transform.map(QPointF(x, y));
    const auto clampRound = [](double v) { return std::isfinite(v) ? std::round(std::clamp(v, -1e6, 1e6)) : 0.0; };
    return QPointF(clampRound(p.x()), clampRound(p.y()));
}

QPolygonF MetafilePlayer::mapPolygon(const QPolygonF& logical) const
{
    QPolygonF device;
    device.reserve(logical.size());
    for (const QPointF& p : logical)
        device.append(map(p.x(), p.y()));
    return device;
}

QRectF MetafilePlayer::mapRect(double left, double top, double right, double bottom) const
{
    if (axisAligned())
        return QRectF(map(left, top), map(right, bottom)).normalized();
    QPolygonF corners;
    corners << map(left, top) << map(right, top) << map(right, bottom) << map(left, bottom);
    return corners.boundingRect();
}

void MetafilePlayer::addObject(GdiObject object)
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

void MetafilePlayer::storeObject(std::size_t index, GdiObject object)
{
    if (index >= std::size_t(kMaxObjects))
        return;
    if (index >= m_objects.size())
        m_objects.resize(index + 1);
    m_objects[index] = std::move(object);
}

void MetafilePlayer::selectObject(std::size_t index)
{
    if (index >= m_objects.size())
        return;
    const GdiObject& object = m_objects[index];
    switch (object.kind) {
    case GdiObject::Kind::Pen: m_dc.pen = object; break;
    case GdiObject::Kind::Brush: m_dc.brush = object; break;
    case GdiObject::Kind::Font: m_dc.font = object; break;
    default: break;
    }
}

void MetafilePlayer::selectStockObject(unsigned stock)
{
    GdiObject object;
    if (stock <= 5 || stock == 18) { // brushes: white, light grey, grey, dark grey, black, null; DC brush
        static const int greys[] = {255, 192, 128, 64, 0};
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = stock == 5 ? 1 : 0;
        object.brushColor = stock < 5 ? QColor(greys[stock], greys[stock], greys[stock]) : QColor(Qt::white);
        m_dc.brush = object;
    } else if (stock >= 6 && stock <= 8) { // pens: white, black, null
        object.kind = GdiObject::Kind::Pen;
        object.penStyle = stock == 8 ? 5 : 0;
        object.penColor = stock == 6 ? QColor(Qt::white) : QColor(Qt::black);
        m_dc.pen = object;
    } else if (stock == 19) { // DC pen
        object.kind = GdiObject::Kind::Pen;
        object.penColor = Qt::black;
        m_dc.pen = object;
    } else if (stock >= 10 && stock <= 17 && stock != 15) { // the system fonts
        object.kind = GdiObject::Kind::Font;
        object.face = stock == 10 || stock == 11 || stock == 16 ? QStringLiteral("Monospace") : QString();
        m_dc.font = object;
    }
}

void MetafilePlayer::deleteObject(std::size_t index)
{
    if (index >= m_objects.size())
        return;
    m_objects[index] = GdiObject();
    m_lowestFree = std::min(m_lowestFree, index);
}

void MetafilePlayer::saveDc()
{
    if (m_saved.size() < std::size_t(kMaxSavedStates))
        m_saved.push_back(m_dc);
}

void MetafilePlayer::restoreDc(int level)
{
    std::size_t keep;
    if (level < 0 && std::size_t(-(long long)level) <= m_saved.size())
        keep = m_saved.size() - std::size_t(-(long long)level);
    else if (level > 0 && std::size_t(level) <= m_saved.size())
        keep = std::size_t(level) - 1;
    else
        return; // GDI refuses levels that were never saved
    m_dc = m_saved[keep];
    m_saved.resize(keep);
    updateTransform();
    m_clipDirty = true;
}

void MetafilePlayer::clipToRect(double left, double top, double right, double bottom, bool exclude)
{
    const QRect box = mapRect(left, top, right, bottom).toRect();
    combineClip(QRegion(box), exclude ? ClipDiff : ClipAnd);
}

void MetafilePlayer::combineClip(const QRegion& region, int mode)
{
    if (++m_drawingOps > kMaxDrawingOps)
        return;
    const QRegion current = m_dc.clipped ? m_dc.clip : QRegion(m_image.rect());
    switch (mode) {
    case ClipAnd: m_dc.clip = current.intersected(region); break;
    case ClipOr: m_dc.clip = current.united(region); break;
    case ClipXor: m_dc.clip = current.xored(region); break;
    case ClipDiff: m_dc.clip = current.subtracted(region); break;
    case ClipCopy: m_dc.clip = region; break;
    default: return;
    }
    m_dc.clipped = true;
    m_clipDirty = true;
}

void MetafilePlayer::resetClip()
{
    m_dc.clipped = false;
    m_dc.clip = QRegion();
    m_clipDirty = true;
}

void MetafilePlayer::applyClip()
{
    if (!m_clipDirty)
        return;
    if (m_dc.clipped)
        m_painter.setClipRegion(m_dc.clip);
    else
        m_painter.setClipping(false);
    m_clipDirty = false;
}

bool MetafilePlayer::beginDrawing(const QRectF& bounds)
{
    const QRectF covered = bounds.normalized().adjusted(-1, -1, 1, 1) & QRectF(m_image.rect());
    m_paintedArea += covered.width() * covered.height();
    if (++m_drawingOps > kMaxDrawingOps || m_paintedArea > kMaxPaintedArea)
        return false;
    applyClip();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setOpacity(1.0);
    return true;
}

QPen MetafilePlayer::currentPen() const
{
    const GdiObject& pen = m_dc.pen;
    const int style = pen.penStyle & 0x0F;
    if (style == 5) // PS_NULL
        return QPen(Qt::NoPen);
    const double scaled = std::round(pen.penWidth * std::sqrt(scaleX() * scaleY()));
    const double width = pen.cosmetic || pen.penWidth <= 0 || !std::isfinite(scaled) ? 1.0 : std::max(1.0, scaled);
    QPen qpen(pen.penColor, std::min(width, 10000.0));
    const bool geometric = pen.penStyle & 0x10000;
    if (width <= 1 || geometric) { // GDI draws styled lines with wide pens only when they are geometric
        switch (style) {
        case 1: qpen.setStyle(Qt::DashLine); break;
        case 2: qpen.setStyle(Qt::DotLine); break;
        case 3: qpen.setStyle(Qt::DashDotLine); break;
        case 4: qpen.setStyle(Qt::DashDotDotLine); break;
        case 7: qpen.setStyle(Qt::DashLine); break; // user styles, drawn as plain dashes
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

QBrush MetafilePlayer::currentBrush() const
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

void MetafilePlayer::addToPath(const QPainterPath& path)
{
    if (m_path.elementCount() + path.elementCount() <= kMaxPathElements)
        m_path.addPath(path);
}

void MetafilePlayer::paintShape(QPainterPath path, bool fill)
{
    if (!withinReach(path.controlPointRect()))
        return;
    if (m_inPath) {
        addToPath(path);
        return;
    }
    if (!beginDrawing(path.controlPointRect()))
        return;
    path.setFillRule(m_dc.fillRule);
    const QBrush brush = fill ? currentBrush() : QBrush(Qt::NoBrush);
    fillAndStroke(m_painter, path, currentPen(), brush, fill && m_dc.brush.brushStyle == 2 && m_dc.bkOpaque,
                  m_dc.bkColor);
}

void MetafilePlayer::drawRectangle(double left, double top, double right, double bottom, double roundW,
                                   double roundH)
{
    QPainterPath path;
    if (axisAligned()) {
        const QRectF box = gdiShapeRect(mapRect(left, top, right, bottom));
        const double rw = std::abs(roundW * m_transform.m11()), rh = std::abs(roundH * m_transform.m22());
        if (rw > 0 && rh > 0)
            path.addRoundedRect(box, rw / 2, rh / 2);
        else
            path.addRect(box);
    } else {
        const QRectF box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        if (roundW > 0 && roundH > 0)
            path.addRoundedRect(box, std::abs(roundW) / 2, std::abs(roundH) / 2);
        else
            path.addRect(box);
        path = m_transform.map(path);
    }
    paintShape(path, true);
}

void MetafilePlayer::drawEllipse(double left, double top, double right, double bottom)
{
    QPainterPath path;
    if (axisAligned()) {
        path.addEllipse(gdiShapeRect(mapRect(left, top, right, bottom)));
    } else {
        path.addEllipse(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
        path = m_transform.map(path);
    }
    paintShape(path, true);
}

// Arcs run counterclockwise (unless SetArcDirection says otherwise) in logical space, so a
// mapping that flips one axis turns them clockwise on the image.
void MetafilePlayer::drawArcFamily(ArcKind kind, const QRectF& logicalBox, QPointF start, QPointF end)
{
    const bool aligned = axisAligned();
    const QRectF box = aligned ? gdiShapeRect(mapRect(logicalBox.left(), logicalBox.top(), logicalBox.right(),
                                                      logicalBox.bottom()))
                               : logicalBox.normalized();
    if (aligned) {
        start = map(start);
        end = map(end);
    }
    const QPointF c = box.center();
    const double a1 = std::atan2(c.y() - start.y(), start.x() - c.x()) * 180 / M_PI;
    const double a2 = std::atan2(c.y() - end.y(), end.x() - c.x()) * 180 / M_PI;
    double sweep = std::fmod(a2 - a1 + 720.0, 360.0);
    if (!std::isfinite(sweep))
        return;
    if (sweep <= 1e-9)
        sweep = 360;
    if ((aligned && m_transform.m11() * m_transform.m22() < 0) != m_dc.clockwiseArcs)
        sweep -= 360;
    if (sweep == 0)
        sweep = -360;

    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(c);
        path.arcTo(box, a1, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, a1);
        path.arcTo(box, a1, sweep);
        if (kind == ArcKind::Chord)
            path.closeSubpath();
    }
    if (!aligned)
        path = m_transform.map(path);
    paintShape(path, kind != ArcKind::Arc);
}

void MetafilePlayer::drawPolygon(const QPolygonF& logical)
{
    if (logical.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(mapPolygon(logical));
    path.closeSubpath();
    paintShape(path, true);
}

void MetafilePlayer::strokeOpen(const QPolygonF& device)
{
    if (device.size() < 2 || !beginDrawing(device.boundingRect()))
        return;
    m_painter.setPen(currentPen());
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPolyline(device);
}

void MetafilePlayer::drawPolyline(const QPolygonF& logical)
{
    if (m_inPath) {
        QPainterPath path;
        path.addPolygon(mapPolygon(logical));
        addToPath(path);
        return;
    }
    strokeOpen(mapPolygon(logical));
}

void MetafilePlayer::drawPolyPolygon(const std::vector<QPolygonF>& logical)
{
    QPainterPath path;
    for (const QPolygonF& polygon : logical) {
        path.addPolygon(mapPolygon(polygon));
        path.closeSubpath();
    }
    paintShape(path, true);
}

void MetafilePlayer::moveTo(QPointF logical)
{
    m_dc.currentPos = logical;
    if (m_inPath && m_path.elementCount() < kMaxPathElements)
        m_path.moveTo(map(logical));
}

void MetafilePlayer::lineTo(QPointF logical)
{
    polylineTo(QPolygonF() << logical);
}

void MetafilePlayer::polylineTo(const QPolygonF& logical)
{
    if (logical.isEmpty())
        return;
    if (m_inPath) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(map(m_dc.currentPos));
        for (const QPointF& p : logical)
            if (m_path.elementCount() < kMaxPathElements)
                m_path.lineTo(map(p));
    } else {
        QPolygonF line;
        line << m_dc.currentPos << logical;
        strokeOpen(mapPolygon(line));
    }
    m_dc.currentPos = logical.last();
}

void MetafilePlayer::polyBezier(const QPolygonF& logical, bool fromCurrent)
{
    QPolygonF points = fromCurrent ? QPolygonF() << m_dc.currentPos : QPolygonF();
    points << logical;
    if (points.size() < 4)
        return;
    const QPolygonF device = mapPolygon(points);
    QPainterPath path;
    path.moveTo(device[0]);
    for (qsizetype i = 1; i + 2 < device.size(); i += 3)
        path.cubicTo(device[i], device[i + 1], device[i + 2]);
    if (fromCurrent || !logical.isEmpty())
        m_dc.currentPos = points.last();
    if (m_inPath) {
        if (fromCurrent && m_path.elementCount() > 0) {
            for (int i = 1; i + 2 < path.elementCount(); i += 3)
                if (m_path.elementCount() < kMaxPathElements)
                    m_path.cubicTo(path.elementAt(i), path.elementAt(i + 1), path.elementAt(i + 2));
        } else {
            addToPath(path);
        }
        return;
    }
    if (!beginDrawing(path.controlPointRect()))
        return;
    m_painter.strokePath(path, currentPen());
}

void MetafilePlayer::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
}

void MetafilePlayer::abortPath()
{
    m_inPath = false;
    m_path = QPainterPath();
}

void MetafilePlayer::closeFigure()
{
    if (m_inPath)
        m_path.closeSubpath();
}

void MetafilePlayer::fillStrokePath(bool fill, bool stroke)
{
    QPainterPath path = m_path;
    m_path = QPainterPath();
    m_inPath = false;
    if (path.isEmpty() || !beginDrawing(path.controlPointRect()))
        return;
    path.setFillRule(m_dc.fillRule);
    if (fill) {
        if (m_dc.brush.brushStyle == 2 && m_dc.bkOpaque)
            m_painter.fillPath(path, m_dc.bkColor);
        m_painter.fillPath(path, currentBrush());
    }
    if (stroke)
        m_painter.strokePath(path, currentPen());
}

void MetafilePlayer::selectClipPath(int mode)
{
    QPainterPath path = m_path;
    m_path = QPainterPath();
    m_inPath = false;
    path.setFillRule(m_dc.fillRule);
    QRegion region;
    const QList<QPolygonF> polygons = path.toFillPolygons();
    for (const QPolygonF& polygon : polygons)
        region = region.xored(QRegion(polygon.toPolygon(), m_dc.fillRule));
    combineClip(region, mode);
}

void MetafilePlayer::setPixel(QPointF logical, const QColor& color)
{
    if (m_inPath || !beginDrawing(QRectF()))
        return;
    const QPoint p = map(logical).toPoint();
    if (m_image.rect().contains(p) && (!m_dc.clipped || m_dc.clip.contains(p)))
        m_image.setPixel(p, color.rgb());
}

void MetafilePlayer::fillPattern(const QRectF& r, unsigned rop)
{
    if (m_inPath || !beginDrawing(r))
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

bool MetafilePlayer::symbolFont() const
{
    return m_dc.font.charSet == 2 || m_dc.font.face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QString MetafilePlayer::decodeText(const QByteArray& bytes) const
{
    return symbolFont() ? symbolToUnicode(QString::fromLatin1(bytes)) : decodeCp1252(bytes);
}

void MetafilePlayer::drawText(QPointF logicalPos, QString text, const std::vector<double>& dx, int options,
                              const QRectF& rect)
{
    if (m_inPath || !beginDrawing(rect))
        return;
    text.truncate(kMaxTextLength);
    const GdiObject& f = m_dc.font;
    // Symbol text arrives here as Unicode; the fonts that stand in for "Symbol" keep their
    // signs at the old codes only, so a Unicode serif face draws it.
    QFont font(symbolFont() ? QStringLiteral("Serif") : f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
    double pixels = std::abs(f.fontHeight) * scaleY();
    if (f.fontHeight == 0)
        pixels = 12;
    if (!std::isfinite(pixels))
        return;
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
    const QFontMetricsF fm(font);

    std::vector<double> advances;
    double width = 0;
    if (!dx.empty() && dx.size() == std::size_t(text.size())) {
        for (double d : dx) {
            advances.push_back(d * scaleX());
            width += advances.back();
        }
    } else {
        width = fm.horizontalAdvance(text);
    }
    if (!std::isfinite(width))
        return;

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

    // The world transform may turn the baseline; text stays upright when an axis is flipped.
    double angle = -f.escapement / 10.0;
    if (!axisAligned())
        angle += std::atan2(m_transform.m12(), m_transform.m11()) * 180 / M_PI;

    m_painter.save();
    if (options & 2) // ETO_OPAQUE
        m_painter.fillRect(rect, m_dc.bkColor);
    if (options & 4) // ETO_CLIPPED
        m_painter.setClipRect(rect, Qt::IntersectClip);
    m_painter.translate(p);
    m_painter.rotate(angle);
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

    if (updateCp && scaleX() > 0) {
        const double logicalWidth = width / scaleX();
        if ((m_dc.textAlign & 6) == 0)
            m_dc.currentPos.rx() += logicalWidth;
        else if ((m_dc.textAlign & 6) == 2)
            m_dc.currentPos.rx() -= logicalWidth;
    }
}

void MetafilePlayer::drawImage(QImage image, QPointF dst, QPointF dstSize, QRectF source, unsigned rop,
                               double opacity)
{
    if (m_inPath || image.isNull() || rop == 0x00AA0029) // leaves the destination as it is
        return;
    source = source.normalized() & QRectF(image.rect());
    if (source.isEmpty() || !finite(dst) || !finite(dstSize))
        return;
    const QPointF a = map(dst.x(), dst.y());
    const QPointF b = map(dst.x() + dstSize.x(), dst.y() + dstSize.y());
    if (!beginDrawing(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y())))
        return;
    m_painter.setCompositionMode(compositionForRop(rop));
    m_painter.setOpacity(opacity);
    image = image.copy(source.toRect());
    if (axisAligned()) {
        if (a.x() == b.x() || a.y() == b.y())
            return;
        m_painter.drawImage(QRectF(a, b).normalized(), image.mirrored(b.x() < a.x(), b.y() < a.y()));
        return;
    }
    if (!withinReach(m_transform.mapRect(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())))))
        return;
    m_painter.save();
    m_painter.setTransform(m_transform);
    m_painter.drawImage(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())), image);
    m_painter.restore();
    m_clipDirty = true;
}

void MetafilePlayer::drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize, QPointF src,
                             QPointF srcSize, unsigned rop, bool sourceFromBottom)
{
    if (rop == 0x00AA0029)
        return;
    const QImage image = decodeDib(dib, length);
    if (image.isNull())
        return;
    double sy = src.y();
    const bool bottomUp = length >= 12 && (leU32(dib) == 12 ? leI16(dib + 6) > 0 : leI32(dib + 8) > 0);
    if (sourceFromBottom && bottomUp)
        sy = image.height() - src.y() - srcSize.y();
    drawImage(image, dst, dstSize, QRectF(src.x(), sy, srcSize.x(), srcSize.y()), rop);
}

QImage decodeDib(const char* dib, std::size_t length, std::size_t pixelOffset, bool keepAlpha)
{
    if (!dib || length < 12)
        return QImage();
    DibSource source;
    source.data = reinterpret_cast<const unsigned char*>(dib);
    source.size = length;
    source.pixelOffset = pixelOffset;
    source.alpha32 = keepAlpha;
    // Run-length data may claim a huge bitmap in a few bytes; a metafile's pictures are small.
    DibHeader header;
    if (!readDibHeader(source, header).isEmpty())
        return QImage();
    if ((header.compression == 1 || header.compression == 2)
        && header.width * header.height > (long long)(length) * 1024)
        return QImage();
    const DecodeResult result = plattera::decodeDib(source, keepAlpha);
    return result.ok() ? result.image : QImage();
}

} // namespace plattera::metafile
