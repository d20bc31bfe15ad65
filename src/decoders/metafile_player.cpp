#include "decoders/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "decoders/gdi_constants.h"
#include "model/errors.h"

namespace plattera::metafile {

using namespace gdi;

namespace {

// GDI excludes the right and bottom edges of a rectangle given to its shape calls.
QRectF gdiShapeRect(const QRectF& r)
{
    return r.adjusted(0, 0, -1, -1);
}

// A hatched brush on an opaque background fills the gaps with the background colour.
void fillAndStroke(QPainter& painter, const QPainterPath& path, const QPen& pen,
                   const QBrush& brush, bool hatchedOnOpaque, const QColor& bk)
{
    if (hatchedOnOpaque && brush.style() != Qt::NoBrush)
        painter.fillPath(path, bk);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.drawPath(path);
}

} // namespace

MetafilePlayer::MetafilePlayer(QImage& target, const QTransform& deviceToImage, int objectCount)
    : m_state(target, deviceToImage)
{
    m_state.painter.setRenderHint(QPainter::Antialiasing, false);
    m_state.painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_objects.reserve(std::size_t(std::clamp(objectCount, 0, 4096)));
    m_state.dc.pen.kind = GdiObject::Kind::Pen;
    m_state.dc.pen.penColor = Qt::black;
    m_state.dc.brush.kind = GdiObject::Kind::Brush;
    m_state.dc.brush.brushColor = Qt::white;
    m_state.dc.font.kind = GdiObject::Kind::Font;
    m_state.dc.windowExt = m_state.dc.viewportExt = QPointF(1, 1);
    updateTransform();
}

void MetafilePlayer::updateTransform()
{
    double sx = 1, sy = 1;
    const int mode = m_state.dc.mapMode;
    // Logical units of the metric modes in millimetres: 0.1 mm, 0.01 mm, 0.01 in, 0.001 in, twips.
    static const double metricMm[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    if (m_state.devicePerMm.x() > 0 && mode >= mapmode::LoMetric && mode <= mapmode::Twips) {
        sx = metricMm[mode - mapmode::LoMetric] * m_state.devicePerMm.x();
        sy = -metricMm[mode - mapmode::LoMetric] * m_state.devicePerMm.y();
    } else if (m_state.devicePerMm.x() <= 0 || mode == mapmode::Isotropic ||
               mode == mapmode::Anisotropic) {
        const double winX = m_state.dc.windowExt.x() != 0 ? m_state.dc.windowExt.x() : 1;
        const double winY = m_state.dc.windowExt.y() != 0 ? m_state.dc.windowExt.y() : 1;
        sx = m_state.dc.viewportExt.x() / winX;
        sy = m_state.dc.viewportExt.y() / winY;
        if (mode == mapmode::Isotropic) { // keeps logical units square
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    const QTransform page(sx, 0, 0, sy, m_state.dc.viewportOrg.x() - m_state.dc.windowOrg.x() * sx,
                          m_state.dc.viewportOrg.y() - m_state.dc.windowOrg.y() * sy);
    m_transform = m_state.dc.world * page * m_state.deviceToImage;
}

// Device positions are whole pixels, as GDI rounds them.
QPointF MetafilePlayer::map(double x, double y) const
{
    const QPointF p = m_transform.map(QPointF(x, y));
    const auto clampRound = [](double v) {
        return std::isfinite(v) ? std::round(std::clamp(v, -1e6, 1e6)) : 0.0;
    };
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
    case GdiObject::Kind::Pen:
        m_state.dc.pen = object;
        break;
    case GdiObject::Kind::Brush:
        m_state.dc.brush = object;
        break;
    case GdiObject::Kind::Font:
        m_state.dc.font = object;
        break;
    default:
        break;
    }
}

void MetafilePlayer::selectStockObject(unsigned stock)
{
    GdiObject object;
    if (stock <= 5 ||
        stock == 18) { // brushes: white, light grey, grey, dark grey, black, null; DC brush
        static const int greys[] = {255, 192, 128, 64, 0};
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = stock == 5 ? brush::Null : brush::Solid;
        object.brushColor =
            stock < 5 ? QColor(greys[stock], greys[stock], greys[stock]) : QColor(Qt::white);
        m_state.dc.brush = object;
    } else if (stock >= 6 && stock <= 8) { // pens: white, black, null
        object.kind = GdiObject::Kind::Pen;
        object.penStyle = stock == 8 ? pen::Null : 0;
        object.penColor = stock == 6 ? QColor(Qt::white) : QColor(Qt::black);
        m_state.dc.pen = object;
    } else if (stock == 19) { // DC pen
        object.kind = GdiObject::Kind::Pen;
        object.penColor = Qt::black;
        m_state.dc.pen = object;
    } else if (stock >= 10 && stock <= 17 && stock != 15) { // the system fonts
        object.kind = GdiObject::Kind::Font;
        object.face =
            stock == 10 || stock == 11 || stock == 16 ? QStringLiteral("Monospace") : QString();
        m_state.dc.font = object;
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
        m_saved.push_back(m_state.dc);
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
    m_state.dc = m_saved[keep];
    m_saved.resize(keep);
    updateTransform();
    m_state.clipDirty = true;
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
    const QRegion current = m_state.dc.clipped ? m_state.dc.clip : QRegion(m_state.image.rect());
    switch (mode) {
    case ClipAnd:
        m_state.dc.clip = current.intersected(region);
        break;
    case ClipOr:
        m_state.dc.clip = current.united(region);
        break;
    case ClipXor:
        m_state.dc.clip = current.xored(region);
        break;
    case ClipDiff:
        m_state.dc.clip = current.subtracted(region);
        break;
    case ClipCopy:
        m_state.dc.clip = region;
        break;
    default:
        return;
    }
    m_state.dc.clipped = true;
    m_state.clipDirty = true;
}

void MetafilePlayer::resetClip()
{
    m_state.dc.clipped = false;
    m_state.dc.clip = QRegion();
    m_state.clipDirty = true;
}

void MetafilePlayer::applyClip()
{
    if (!m_state.clipDirty)
        return;
    if (m_state.dc.clipped)
        m_state.painter.setClipRegion(m_state.dc.clip);
    else
        m_state.painter.setClipping(false);
    m_state.clipDirty = false;
}

bool MetafilePlayer::beginDrawing(const QRectF& bounds)
{
    const QRectF covered =
        bounds.normalized().adjusted(-1, -1, 1, 1) & QRectF(m_state.image.rect());
    m_paintedArea += covered.width() * covered.height();
    if (++m_drawingOps > kMaxDrawingOps || m_paintedArea > kMaxPaintedArea)
        return false;
    if (m_measuring) {
        if (!bounds.isNull() && withinReach(bounds))
            m_drawnBounds = m_drawnBounds.united(bounds.normalized());
        return false;
    }
    applyClip();
    m_state.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_state.painter.setOpacity(1.0);
    return true;
}

QPen MetafilePlayer::currentPen() const
{
    const GdiObject& pen = m_state.dc.pen;
    const int style = pen.penStyle & pen::StyleMask;
    if (style == pen::Null)
        return QPen(Qt::NoPen);
    const double scaled = std::round(pen.penWidth * std::sqrt(scaleX() * scaleY()));
    const double width =
        pen.cosmetic || pen.penWidth <= 0 || !std::isfinite(scaled) ? 1.0 : std::max(1.0, scaled);
    QPen qpen(pen.penColor, std::min(width, 10000.0));
    const bool geometric = pen.penStyle & pen::Geometric;
    if (width <= 1 ||
        geometric) { // GDI draws styled lines with wide pens only when they are geometric
        switch (style) {
        case pen::Dash:
            qpen.setStyle(Qt::DashLine);
            break;
        case pen::Dot:
            qpen.setStyle(Qt::DotLine);
            break;
        case pen::DashDot:
            qpen.setStyle(Qt::DashDotLine);
            break;
        case pen::DashDotDot:
            qpen.setStyle(Qt::DashDotDotLine);
            break;
        case pen::UserStyle:
            qpen.setStyle(Qt::DashLine);
            break; // drawn as plain dashes
        default:
            break;
        }
    }
    switch (pen.penStyle & pen::CapMask) {
    case pen::CapSquare:
        qpen.setCapStyle(Qt::SquareCap);
        break;
    case pen::CapFlat:
        qpen.setCapStyle(Qt::FlatCap);
        break;
    default:
        qpen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (pen.penStyle & pen::JoinMask) {
    case pen::JoinBevel:
        qpen.setJoinStyle(Qt::BevelJoin);
        break;
    case pen::JoinMiter:
        qpen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        qpen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return qpen;
}

QBrush MetafilePlayer::currentBrush() const
{
    const GdiObject& b = m_state.dc.brush;
    switch (b.brushStyle) {
    case brush::Solid:
        return QBrush(b.brushColor);
    case brush::Hatched: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        if (b.hatch >= 0 && b.hatch < 6)
            return QBrush(b.brushColor, hatches[b.hatch]);
        return QBrush(b.brushColor);
    }
    case brush::Pattern:
    case brush::DibPattern:
    case brush::DibPatternPt:
        if (!b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(Qt::black);
    default:
        return QBrush(Qt::NoBrush);
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
    if (m_state.inPath) {
        addToPath(path);
        return;
    }
    if (!beginDrawing(path.controlPointRect()))
        return;
    path.setFillRule(m_state.dc.fillRule);
    const QBrush brush = fill ? currentBrush() : QBrush(Qt::NoBrush);
    fillAndStroke(m_state.painter, path, currentPen(), brush,
                  fill && m_state.dc.brush.brushStyle == brush::Hatched && m_state.dc.bkOpaque,
                  m_state.dc.bkColor);
}

void MetafilePlayer::drawRectangle(double left, double top, double right, double bottom,
                                   double roundW, double roundH)
{
    QPainterPath path;
    if (axisAligned()) {
        const QRectF box = gdiShapeRect(mapRect(left, top, right, bottom));
        const double rw = std::abs(roundW * m_transform.m11()),
                     rh = std::abs(roundH * m_transform.m22());
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
void MetafilePlayer::drawArcFamily(ArcKind kind, const QRectF& logicalBox, QPointF start,
                                   QPointF end)
{
    const bool aligned = axisAligned();
    const QRectF box = aligned ? gdiShapeRect(mapRect(logicalBox.left(), logicalBox.top(),
                                                      logicalBox.right(), logicalBox.bottom()))
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
    if ((aligned && m_transform.m11() * m_transform.m22() < 0) != m_state.dc.clockwiseArcs)
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
    m_state.painter.setPen(currentPen());
    m_state.painter.setBrush(Qt::NoBrush);
    m_state.painter.drawPolyline(device);
}

void MetafilePlayer::drawPolyline(const QPolygonF& logical)
{
    if (m_state.inPath) {
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
    m_state.dc.currentPos = logical;
    if (m_state.inPath && m_path.elementCount() < kMaxPathElements)
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
    if (m_state.inPath) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(map(m_state.dc.currentPos));
        for (const QPointF& p : logical)
            if (m_path.elementCount() < kMaxPathElements)
                m_path.lineTo(map(p));
    } else {
        QPolygonF line;
        line << m_state.dc.currentPos << logical;
        strokeOpen(mapPolygon(line));
    }
    m_state.dc.currentPos = logical.last();
}

void MetafilePlayer::polyBezier(const QPolygonF& logical, bool fromCurrent)
{
    QPolygonF points = fromCurrent ? QPolygonF() << m_state.dc.currentPos : QPolygonF();
    points << logical;
    if (points.size() < 4)
        return;
    const QPolygonF device = mapPolygon(points);
    QPainterPath path;
    path.moveTo(device[0]);
    for (qsizetype i = 1; i + 2 < device.size(); i += 3)
        path.cubicTo(device[i], device[i + 1], device[i + 2]);
    if (fromCurrent || !logical.isEmpty())
        m_state.dc.currentPos = points.last();
    if (m_state.inPath) {
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
    m_state.painter.strokePath(path, currentPen());
}

void MetafilePlayer::beginPath()
{
    m_state.inPath = true;
    m_path = QPainterPath();
}

void MetafilePlayer::abortPath()
{
    m_state.inPath = false;
    m_path = QPainterPath();
}

void MetafilePlayer::closeFigure()
{
    if (m_state.inPath)
        m_path.closeSubpath();
}

void MetafilePlayer::fillStrokePath(bool fill, bool stroke)
{
    QPainterPath path = m_path;
    m_path = QPainterPath();
    m_state.inPath = false;
    if (path.isEmpty() || !beginDrawing(path.controlPointRect()))
        return;
    path.setFillRule(m_state.dc.fillRule);
    if (fill) {
        if (m_state.dc.brush.brushStyle == brush::Hatched && m_state.dc.bkOpaque)
            m_state.painter.fillPath(path, m_state.dc.bkColor);
        m_state.painter.fillPath(path, currentBrush());
    }
    if (stroke)
        m_state.painter.strokePath(path, currentPen());
}

void MetafilePlayer::selectClipPath(int mode)
{
    QPainterPath path = m_path;
    m_path = QPainterPath();
    m_state.inPath = false;
    path.setFillRule(m_state.dc.fillRule);
    QRegion region;
    const QList<QPolygonF> polygons = path.toFillPolygons();
    for (const QPolygonF& polygon : polygons)
        region = region.xored(QRegion(polygon.toPolygon(), m_state.dc.fillRule));
    combineClip(region, mode);
}

QString damagedRecordMessage(uint64_t claimed, uint64_t remaining)
{
    if (claimed > remaining)
        return QStringLiteral("The metafile is truncated: a record runs past the end of the file.");
    return QStringLiteral("The metafile has a damaged record (size %1 bytes).").arg(claimed);
}

QString outOfMemoryMessage(int width, int height)
{
    return notEnoughMemoryTo(QStringLiteral("draw the metafile at %1 x %2 pixels"))
        .arg(width)
        .arg(height);
}

DecodeResult decodeMetafile(int ppi, const std::function<Check(QSize*)>& readSize,
                            const std::function<Check(QImage&)>& play)
{
    if (ppi <= 0)
        return DecodeResult::failure(
            QStringLiteral("Cannot draw a metafile at %1 pixels per inch.").arg(ppi));
    QSize size;
    if (const Check header = readSize(&size); !header)
        return DecodeResult::failure(header.reason());
    QImage image = allocateWhiteImage(size.width(), size.height());
    if (image.isNull())
        return DecodeResult::failure(outOfMemoryMessage(size.width(), size.height()));
    // The player's painter has let go of the image once play returns.
    if (const Check played = play(image); !played)
        return DecodeResult::failure(played.reason());
    return decodedPicture(std::move(image));
}

void MetafilePlayer::setPixel(QPointF logical, const QColor& color)
{
    if (m_state.inPath || !beginDrawing(QRectF()))
        return;
    const QPoint p = map(logical).toPoint();
    if (m_state.image.rect().contains(p) && (!m_state.dc.clipped || m_state.dc.clip.contains(p)))
        m_state.image.setPixel(p, color.rgb());
}

} // namespace plattera::metafile
