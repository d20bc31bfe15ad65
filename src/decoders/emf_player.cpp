#include "decoders/emf_player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>

#include <uemf.h>
#include <uemf_safe.h>

#include "decoders/gdi_constants.h"

namespace plattera::emf {

using namespace metafile;
using namespace gdi;

namespace {

// Room after every record copy: the fixed part of any record we read fits in it, so a
// record shorter than its type would need reads zeros rather than past our buffer.
constexpr std::size_t kRecordPadding = 512;

// Rectangles of one clipping region we combine; real regions have a handful.
constexpr uint32_t kMaxRegionRects = 4096;

// Points of 32 or 16 bits a side.
QPolygonF readPoints(const Record& r, std::size_t offset, std::size_t count, bool small)
{
    const std::size_t step = small ? 4 : 8;
    QPolygonF points;
    if (!r.has(offset, uint64_t(count) * step))
        return points;
    points.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i) {
        const char* at = r.p + offset + i * step;
        points.append(small ? QPointF(leI16(at), leI16(at + 2))
                            : QPointF(leI32(at), leI32(at + 4)));
    }
    return points;
}

QTransform readXform(const Record& r, std::size_t offset, bool* ok)
{
    float v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = r.f32(offset + 4 * std::size_t(i));
        if (!std::isfinite(v[i]) || std::abs(v[i]) > 1e7f) {
            *ok = false;
            return QTransform();
        }
    }
    *ok = true;
    return QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
}
} // namespace

// The record types we draw or keep state from. libuemf checks only these: it has no
// check for some others and says so on the console.
bool played(uint32_t type)
{
    switch (type) {
    case U_EMR_SETBKCOLOR:
    case U_EMR_SETTEXTCOLOR:
    case U_EMR_SETBKMODE:
    case U_EMR_SETPOLYFILLMODE:
    case U_EMR_SETTEXTALIGN:
    case U_EMR_SETARCDIRECTION:
    case U_EMR_SETMAPMODE:
    case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTEXTEX:
    case U_EMR_SETVIEWPORTORGEX:
    case U_EMR_SCALEWINDOWEXTEX:
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM:
    case U_EMR_MOVETOEX:
    case U_EMR_SAVEDC:
    case U_EMR_RESTOREDC:
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT:
    case U_EMR_EXTSELECTCLIPRGN:
    case U_EMR_OFFSETCLIPRGN:
    case U_EMR_SELECTCLIPPATH:
    case U_EMR_CREATEPEN:
    case U_EMR_EXTCREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
    case U_EMR_SELECTOBJECT:
    case U_EMR_DELETEOBJECT:
    case U_EMR_RECTANGLE:
    case U_EMR_ROUNDRECT:
    case U_EMR_ELLIPSE:
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO:
    case U_EMR_LINETO:
    case U_EMR_SETPIXELV:
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16:
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
    case U_EMR_BEGINPATH:
    case U_EMR_ENDPATH:
    case U_EMR_ABORTPATH:
    case U_EMR_CLOSEFIGURE:
    case U_EMR_FILLPATH:
    case U_EMR_STROKEPATH:
    case U_EMR_STROKEANDFILLPATH:
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW:
    case U_EMR_SMALLTEXTOUT:
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_GRADIENTFILL:
    case U_EMR_POLYTEXTOUTA:
    case U_EMR_POLYTEXTOUTW:
    case U_EMR_FILLRGN:
    case U_EMR_FRAMERGN:
    case U_EMR_PAINTRGN:
    case U_EMR_INVERTRGN:
        return true;
    default:
        return false;
    }
}

QString EmfPlayer::play(const char* begin, const char* end)
{
    std::vector<char> buffer;
    const char* p = begin;
    for (int count = 0; count < metafile::kMaxRecords && end - p >= 8; ++count) {
        const uint32_t type = leU32(p);
        const uint32_t length = leU32(p + 4);
        if (type == U_EMR_EOF)
            break;
        if (length < 8 || length % 4 != 0 || length > std::size_t(end - p))
            return metafile::damagedRecordMessage(length, std::size_t(end - p));
        const char* const at = p;
        p += length;
        if (!played(type))
            continue;
        buffer.assign(length + kRecordPadding, 0);
        std::memcpy(buffer.data(), at, length);
        const Record record {buffer.data(), length};
        // A record whose counts or offsets point outside it is passed over, as GDI does.
        // libuemf wants a spacing array on every text record and misreads the small text
        // record, so those have only our own checks, made as each part is read.
        const bool textWithoutDx =
            ((type == U_EMR_EXTTEXTOUTA || type == U_EMR_EXTTEXTOUTW) &&
             record.u32((record.u32(52) & textout::NoRect) ? 56 : 72) == 0) ||
            type == U_EMR_POLYTEXTOUTA || type == U_EMR_POLYTEXTOUTW;
        uint32_t checkedSize = 0, checkedType = 0;
        if (!U_emf_record_sizeok(buffer.data(), buffer.data() + length, &checkedSize, &checkedType,
                                 1))
            continue;
        if (type != U_EMR_SMALLTEXTOUT && !textWithoutDx && !U_emf_record_safe(buffer.data()))
            continue;
        playRecord(type, record);
    }
    return QString();
}

void EmfPlayer::playRecord(uint32_t type, const Record& r)
{
    switch (type) {
    // --- state ---
    case U_EMR_SETBKCOLOR:
        m_dc.bkColor = r.color(8);
        break;
    case U_EMR_SETTEXTCOLOR:
        m_dc.textColor = r.color(8);
        break;
    case U_EMR_SETBKMODE:
        m_dc.bkOpaque = r.u32(8) == OpaqueBackground;
        break;
    case U_EMR_SETPOLYFILLMODE:
        m_dc.fillRule = r.u32(8) == WindingFill ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_EMR_SETTEXTALIGN:
        m_dc.textAlign = int(r.u32(8) & 0xFFFF);
        break;
    case U_EMR_SETARCDIRECTION:
        m_dc.clockwiseArcs = r.u32(8) == ClockwiseArcs;
        break;
    case U_EMR_SETMAPMODE:
        if (r.u32(8) >= mapmode::Text && r.u32(8) <= mapmode::Anisotropic) {
            m_dc.mapMode = int(r.u32(8));
            updateTransform();
        }
        break;
    case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTEXTEX:
    case U_EMR_SETVIEWPORTORGEX: {
        const QPointF value = r.point(8);
        if (type == U_EMR_SETWINDOWEXTEX)
            m_dc.windowExt = value;
        else if (type == U_EMR_SETWINDOWORGEX)
            m_dc.windowOrg = value;
        else if (type == U_EMR_SETVIEWPORTEXTEX)
            m_dc.viewportExt = value;
        else
            m_dc.viewportOrg = value;
        updateTransform();
        break;
    }
    case U_EMR_SCALEWINDOWEXTEX:
    case U_EMR_SCALEVIEWPORTEXTEX: {
        const int32_t xNum = r.i32(8), xDenom = r.i32(12), yNum = r.i32(16), yDenom = r.i32(20);
        if (xDenom == 0 || yDenom == 0)
            break;
        QPointF& ext = type == U_EMR_SCALEWINDOWEXTEX ? m_dc.windowExt : m_dc.viewportExt;
        ext = QPointF(ext.x() * xNum / xDenom, ext.y() * yNum / yDenom);
        updateTransform();
        break;
    }
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        bool ok = false;
        const QTransform x = readXform(r, 8, &ok);
        const uint32_t mode = type == U_EMR_SETWORLDTRANSFORM ? worldtransform::Set : r.u32(32);
        if (mode == worldtransform::Identity)
            m_dc.world = QTransform();
        else if (!ok)
            break;
        else if (mode == worldtransform::LeftMultiply)
            m_dc.world = x * m_dc.world;
        else if (mode == worldtransform::RightMultiply)
            m_dc.world = m_dc.world * x;
        else if (mode == worldtransform::Set)
            m_dc.world = x;
        updateTransform();
        break;
    }
    case U_EMR_MOVETOEX:
        moveTo(r.point(8));
        break;
    case U_EMR_SAVEDC:
        saveDc();
        break;
    case U_EMR_RESTOREDC:
        restoreDc(r.i32(8));
        break;

    // --- clipping ---
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT:
        clipToRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20), type == U_EMR_EXCLUDECLIPRECT);
        break;
    case U_EMR_EXTSELECTCLIPRGN: {
        const uint32_t length = r.u32(8), mode = r.u32(12);
        if (mode == ClipCopy && length == 0)
            resetClip();
        else if (r.has(16, length))
            combineClip(regionData(r, 16, length, false), int(mode));
        break;
    }
    case U_EMR_OFFSETCLIPRGN:
        if (m_dc.clipped) {
            const QPointF shift = map(r.point(8)) - map(0, 0);
            m_dc.clip.translate(shift.toPoint());
            m_clipDirty = true;
        }
        break;
    case U_EMR_SELECTCLIPPATH:
        selectClipPath(int(r.u32(8)));
        break;

    // --- objects ---
    case U_EMR_CREATEPEN:
        createPen(r, false);
        break;
    case U_EMR_EXTCREATEPEN:
        createPen(r, true);
        break;
    case U_EMR_CREATEBRUSHINDIRECT: {
        GdiObject object;
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = int(r.u32(12));
        object.brushColor = r.color(16);
        object.hatch = int(r.u32(20));
        storeObject(r.u32(8), std::move(object));
        break;
    }
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        GdiObject object;
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = brush::DibPattern;
        object.pattern = r.dib(16);
        storeObject(r.u32(8), std::move(object));
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW:
        createFont(r);
        break;
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW: {
        GdiObject object;
        object.kind = GdiObject::Kind::Placeholder;
        storeObject(r.u32(8), std::move(object));
        break;
    }
    case U_EMR_SELECTOBJECT: {
        const uint32_t index = r.u32(8);
        if (index & StockObject)
            selectStockObject(index & ~StockObject);
        else
            selectObject(index);
        break;
    }
    case U_EMR_DELETEOBJECT:
        deleteObject(r.u32(8));
        break;

    // --- shapes ---
    case U_EMR_RECTANGLE:
        drawRectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case U_EMR_ROUNDRECT:
        drawRectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28));
        break;
    case U_EMR_ELLIPSE:
        drawEllipse(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO: {
        const QRectF box(QPointF(r.i32(8), r.i32(12)), QPointF(r.i32(16), r.i32(20)));
        const ArcKind kind = type == U_EMR_CHORD ? ArcKind::Chord
            : type == U_EMR_PIE                  ? ArcKind::Pie
                                                 : ArcKind::Arc;
        if (type != U_EMR_ARCTO) {
            drawArcFamily(kind, box, r.point(24), r.point(32));
            break;
        }
        // ArcTo first draws a line to where the arc starts and ends with the current
        // position where the arc ends.
        const QRectF ellipse = box.normalized();
        const QPointF c = ellipse.center();
        const auto onEllipse = [&](QPointF radial) {
            const double angle = std::atan2(c.y() - radial.y(), radial.x() - c.x());
            return QPointF(c.x() + ellipse.width() / 2 * std::cos(angle),
                           c.y() - ellipse.height() / 2 * std::sin(angle));
        };
        lineTo(onEllipse(r.point(24)));
        drawArcFamily(kind, box, r.point(24), r.point(32));
        m_dc.currentPos = onEllipse(r.point(32));
        break;
    }
    case U_EMR_LINETO:
        lineTo(r.point(8));
        break;
    case U_EMR_SETPIXELV:
        setPixel(r.point(8), r.color(16));
        break;
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16:
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYBEZIERTO16: {
        const bool small = type >= U_EMR_POLYBEZIER16;
        const QPolygonF points = readPoints(r, 28, r.u32(24), small);
        switch (type) {
        case U_EMR_POLYLINE:
        case U_EMR_POLYLINE16:
            drawPolyline(points);
            break;
        case U_EMR_POLYGON:
        case U_EMR_POLYGON16:
            drawPolygon(points);
            break;
        case U_EMR_POLYLINETO:
        case U_EMR_POLYLINETO16:
            polylineTo(points);
            break;
        case U_EMR_POLYBEZIER:
        case U_EMR_POLYBEZIER16:
            polyBezier(points, false);
            break;
        default:
            polyBezier(points, true);
            break;
        }
        break;
    }
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        polyPoly(type, r, false);
        break;
    case U_EMR_POLYPOLYLINE16:
        polyPoly(U_EMR_POLYPOLYLINE, r, true);
        break;
    case U_EMR_POLYPOLYGON16:
        polyPoly(U_EMR_POLYPOLYGON, r, true);
        break;

    // --- paths ---
    case U_EMR_BEGINPATH:
        beginPath();
        break;
    case U_EMR_ENDPATH:
        endPath();
        break;
    case U_EMR_ABORTPATH:
        abortPath();
        break;
    case U_EMR_CLOSEFIGURE:
        closeFigure();
        break;
    case U_EMR_FILLPATH:
        fillStrokePath(true, false);
        break;
    case U_EMR_STROKEPATH:
        fillStrokePath(false, true);
        break;
    case U_EMR_STROKEANDFILLPATH:
        fillStrokePath(true, true);
        break;

    // --- text ---
    case U_EMR_EXTTEXTOUTA:
        text(r, false, 36);
        break;
    case U_EMR_EXTTEXTOUTW:
        text(r, true, 36);
        break;
    case U_EMR_POLYTEXTOUTA:
    case U_EMR_POLYTEXTOUTW:
        for (uint32_t i = 0, count = r.u32(36); i < count && r.has(40 + uint64_t(i) * 40, 40); ++i)
            text(r, type == U_EMR_POLYTEXTOUTW, 40 + std::size_t(i) * 40);
        break;
    case U_EMR_SMALLTEXTOUT:
        smallText(r);
        break;

    // --- bitmaps ---
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
        bitmap(type, r);
        break;
    case U_EMR_GRADIENTFILL:
        gradient(r);
        break;

    // --- regions ---
    case U_EMR_FILLRGN:
    case U_EMR_FRAMERGN:
    case U_EMR_PAINTRGN:
    case U_EMR_INVERTRGN:
        paintRegion(type, r);
        break;

    default:
        // Comments (EMF+ among them), palettes, colour management, escapes and the rest
        // leave the picture alone.
        break;
    }
}

void EmfPlayer::polyPoly(uint32_t type, const Record& r, bool small)
{
    const uint32_t polys = r.u32(24), total = r.u32(28);
    if (!r.has(32, uint64_t(polys) * 4))
        return;
    const std::size_t pointsAt = 32 + std::size_t(polys) * 4;
    const QPolygonF all = readPoints(r, pointsAt, total, small);
    if (all.size() != qsizetype(total))
        return;
    std::vector<QPolygonF> polygons;
    qsizetype offset = 0;
    for (uint32_t i = 0; i < polys; ++i) {
        const uint32_t n = r.u32(32 + std::size_t(i) * 4);
        if (n > uint32_t(all.size() - offset))
            return;
        polygons.push_back(all.mid(offset, qsizetype(n)));
        offset += qsizetype(n);
    }
    if (type == U_EMR_POLYPOLYGON) {
        drawPolyPolygon(polygons);
    } else {
        for (const QPolygonF& polygon : polygons)
            drawPolyline(polygon);
    }
}

// Rectangles shade from one corner's colour to the other's, across or down; triangles blend
// their corners' colours over their inside.
void EmfPlayer::gradient(const Record& r)
{
    const uint32_t vertices = r.u32(24), shapes = r.u32(28), mode = r.u32(32);
    const std::size_t shapeSize = mode == 2 ? 12 : 8;
    if (mode > 2 || !r.has(36, uint64_t(vertices) * 16) ||
        !r.has(36 + uint64_t(vertices) * 16, uint64_t(shapes) * shapeSize))
        return;
    const auto vertex = [&](uint32_t i, QPointF* at, QColor* colour) {
        if (i >= vertices)
            return false;
        const std::size_t v = 36 + std::size_t(i) * 16;
        *at = r.point(v);
        *colour =
            QColor(leU16(r.p + v + 8) >> 8, leU16(r.p + v + 10) >> 8, leU16(r.p + v + 12) >> 8);
        return true;
    };
    const std::size_t shapesAt = 36 + std::size_t(vertices) * 16;
    for (uint32_t s = 0; s < shapes; ++s) {
        const std::size_t at = shapesAt + std::size_t(s) * shapeSize;
        QPointF a, b, c;
        QColor ca, cb, cc;
        if (!vertex(r.u32(at), &a, &ca) || !vertex(r.u32(at + 4), &b, &cb))
            continue;
        if (mode == 2) {
            if (!vertex(r.u32(at + 8), &c, &cc))
                continue;
            if (!shadeTriangle({map(a), map(b), map(c)}, {ca, cb, cc}))
                return;
            continue;
        }
        const QPointF ma = map(a), mb = map(b);
        QPainterPath path;
        path.addRect(QRectF(ma, mb).normalized());
        QLinearGradient shade(ma, mode == 0 ? QPointF(mb.x(), ma.y()) : QPointF(ma.x(), mb.y()));
        shade.setColorAt(0, ca);
        shade.setColorAt(1, cb);
        if (!beginDrawing(path.controlPointRect()))
            return;
        m_painter.fillPath(path, shade);
    }
}

// Each pixel whose centre lies inside the triangle takes the corners' colours weighted by
// how near it is to each (barycentric weights), as the system's own gradient fill does.
bool EmfPlayer::shadeTriangle(const std::array<QPointF, 3>& p, const std::array<QColor, 3>& colour)
{
    const QRectF bounds = QPolygonF({p[0], p[1], p[2]}).boundingRect();
    const QRect area = bounds.toAlignedRect() & m_image.rect();
    if (!beginDrawing(bounds))
        return false;
    const double det = (p[1].y() - p[2].y()) * (p[0].x() - p[2].x()) +
        (p[2].x() - p[1].x()) * (p[0].y() - p[2].y());
    if (area.isEmpty() || std::abs(det) < 1e-9)
        return true;
    QImage tile(area.size(), QImage::Format_ARGB32);
    if (tile.isNull())
        return false;
    tile.fill(Qt::transparent);
    constexpr double kEdge = -1e-9; // centres on an edge belong to the triangle
    for (int y = 0; y < tile.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        const double py = area.top() + y + 0.5;
        for (int x = 0; x < tile.width(); ++x) {
            const double px = area.left() + x + 0.5;
            const double w0 = ((p[1].y() - p[2].y()) * (px - p[2].x()) +
                               (p[2].x() - p[1].x()) * (py - p[2].y())) /
                det;
            const double w1 = ((p[2].y() - p[0].y()) * (px - p[2].x()) +
                               (p[0].x() - p[2].x()) * (py - p[2].y())) /
                det;
            const double w2 = 1 - w0 - w1;
            if (w0 < kEdge || w1 < kEdge || w2 < kEdge)
                continue;
            const auto mix = [&](int c0, int c1, int c2) {
                return std::clamp(int(std::lround(w0 * c0 + w1 * c1 + w2 * c2)), 0, 255);
            };
            line[x] = qRgb(mix(colour[0].red(), colour[1].red(), colour[2].red()),
                           mix(colour[0].green(), colour[1].green(), colour[2].green()),
                           mix(colour[0].blue(), colour[1].blue(), colour[2].blue()));
        }
    }
    m_painter.drawImage(area.topLeft(), tile);
    return true;
}

void EmfPlayer::createPen(const Record& r, bool extended)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Pen;
    if (extended) {
        object.penStyle = int(r.u32(28));
        object.penWidth = r.u32(32);
        object.cosmetic = !(r.u32(28) & pen::Geometric);
        object.penColor = r.color(40);
        if (r.u32(36) == 1) // a hollow brush draws no line
            object.penStyle = (object.penStyle & ~pen::StyleMask) | pen::Null;
    } else {
        object.penStyle = int(r.u32(12));
        object.penWidth = r.i32(16);
        object.cosmetic = object.penWidth <= 0;
        object.penColor = r.color(24);
    }
    storeObject(r.u32(8), std::move(object));
}

void EmfPlayer::createFont(const Record& r)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Font;
    object.fontHeight = r.i32(12);
    object.escapement = r.i32(20);
    object.weight = r.i32(28);
    object.italic = r.p[32] != 0;
    object.underline = r.p[33] != 0;
    object.strikeOut = r.p[34] != 0;
    object.charSet = uint8_t(r.p[35]);
    QString face;
    for (std::size_t i = 0; i < 32 && r.has(40 + 2 * i, 2); ++i) {
        const uint16_t c = leU16(r.p + 40 + 2 * i);
        if (c == 0)
            break;
        face.append(QChar(c));
    }
    object.face = face.trimmed();
    storeObject(r.u32(8), std::move(object));
}

// `at` is where the text's description starts: its reference point, length, options,
// rectangle and the offsets of its characters and spacing (from the record's start).
void EmfPlayer::text(const Record& r, bool wide, std::size_t at)
{
    if (!r.has(at, 40))
        return;
    const QPointF reference = r.point(at);
    const uint32_t chars = r.u32(at + 8), offString = r.u32(at + 12), options = r.u32(at + 16);
    const bool noRect = options & textout::NoRect;
    const uint32_t offDx = r.u32(noRect ? at + 20 : at + 36);
    const QRectF rect =
        noRect ? QRectF() : mapRect(r.i32(at + 20), r.i32(at + 24), r.i32(at + 28), r.i32(at + 32));
    if (options & textout::GlyphIndex) // which only the original font could turn into letters
        return;
    if (chars == 0) {
        if ((options & textout::Opaque) && !noRect && beginDrawing(rect))
            m_painter.fillRect(rect, m_dc.bkColor);
        return;
    }
    if (!r.has(offString, uint64_t(chars) * (wide ? 2 : 1)))
        return;
    QString string;
    if (wide) {
        string.resize(qsizetype(chars));
        for (uint32_t i = 0; i < chars; ++i)
            string[qsizetype(i)] = QChar(leU16(r.p + offString + 2 * i));
        if (symbolFace() != SymbolFace::None)
            string = symbolFaceToUnicode(string, symbolFace());
    } else {
        string = decodeText(QByteArray(r.p + offString, qsizetype(chars)));
    }
    const uint32_t stride = (options & textout::Pdy) ? 8 : 4;
    std::vector<double> dx;
    if (offDx != 0 && r.has(offDx, uint64_t(chars) * stride))
        for (uint32_t i = 0; i < chars; ++i)
            dx.push_back(r.i32(offDx + std::size_t(i) * stride));
    drawText(reference, string, dx, noRect ? 0 : int(options), rect);
}

void EmfPlayer::smallText(const Record& r)
{
    const QPointF reference = r.point(8);
    const uint32_t chars = r.u32(16), options = r.u32(20);
    const bool noRect = options & textout::NoRect;
    const std::size_t textAt = noRect ? 36 : 52;
    const bool eightBit = options & textout::SmallChars;
    if (chars == 0 || (options & textout::GlyphIndex) ||
        !r.has(textAt, uint64_t(chars) * (eightBit ? 1 : 2)))
        return;
    QString string;
    if (eightBit) {
        string = decodeText(QByteArray(r.p + textAt, qsizetype(chars)));
    } else {
        for (uint32_t i = 0; i < chars; ++i)
            string.append(QChar(leU16(r.p + textAt + 2 * i)));
        if (symbolFace() != SymbolFace::None)
            string = symbolFaceToUnicode(string, symbolFace());
    }
    const QRectF rect = noRect ? QRectF() : mapRect(r.i32(36), r.i32(40), r.i32(44), r.i32(48));
    drawText(reference, string, {},
             noRect ? 0 : int(options & (textout::Opaque | textout::Clipped)), rect);
}

void EmfPlayer::bitmap(uint32_t type, const Record& r)
{
    if (type == U_EMR_STRETCHDIBITS || type == U_EMR_SETDIBITSTODEVICE) {
        const QPointF dst = r.point(24), src = r.point(32), srcSize = r.point(40);
        bool bottomUp = false;
        const QImage image = r.dib(48, false, &bottomUp);
        if (image.isNull())
            return;
        const QPointF dstSize = type == U_EMR_STRETCHDIBITS ? r.point(72) : srcSize;
        const uint32_t rop = type == U_EMR_STRETCHDIBITS ? r.u32(68) : rop::SrcCopy;
        // The source rectangle counts its rows from the bottom of a bottom-up bitmap.
        const double sy = bottomUp ? image.height() - src.y() - srcSize.y() : src.y();
        drawImage(image, dst, dstSize, QRectF(src.x(), sy, srcSize.x(), srcSize.y()), rop);
        return;
    }
    // BitBlt, StretchBlt, AlphaBlend and TransparentBlt share their layout.
    const QPointF dst = r.point(24), dstSize = r.point(32), src = r.point(44);
    const uint32_t rop = r.u32(40);
    const bool stretch = type != U_EMR_BITBLT;
    const QPointF srcSize = stretch ? r.point(100) : dstSize;
    if (r.u32(88) == 0) { // no bitmap: the raster operation paints with the brush alone
        if (type == U_EMR_BITBLT || type == U_EMR_STRETCHBLT)
            fillPattern(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y()),
                        rop);
        return;
    }
    const bool alpha = type == U_EMR_ALPHABLEND && (uint8_t(r.p[43]) & 1);
    QImage image = r.dib(84, alpha);
    if (image.isNull())
        return;
    double opacity = 1.0;
    unsigned drawRop = rop;
    if (type == U_EMR_ALPHABLEND) {
        opacity = uint8_t(r.p[42]) / 255.0;
        drawRop = rop::SrcCopy;
        if (alpha) // AC_SRC_ALPHA: the bitmap's own alpha, its colours already weighted by it
            image = QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                           QImage::Format_ARGB32_Premultiplied)
                        .copy();
    } else if (type == U_EMR_TRANSPARENTBLT) {
        const QRgb key =
            QColor(uint8_t(r.p[40]), uint8_t(r.p[41]), uint8_t(r.p[42])).rgb() & 0xFFFFFF;
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFF) == key)
                    line[x] = 0;
        }
        drawRop = rop::SrcCopy;
    }
    drawImage(image, dst, dstSize, QRectF(src, QSizeF(srcSize.x(), srcSize.y())), drawRop, opacity);
}

// FillRgn and FrameRgn name their brush, PaintRgn takes the selected one, InvertRgn needs
// none. A frame is the region's rim, of the given width and height in logical units.
void EmfPlayer::paintRegion(uint32_t type, const Record& r)
{
    const bool framed = type == U_EMR_FRAMERGN;
    const bool named = framed || type == U_EMR_FILLRGN;
    const std::size_t dataAt = framed ? 40 : named ? 32 : 28;
    const uint32_t length = r.u32(24);
    if (!r.has(dataAt, length))
        return;
    QRegion region = regionData(r, dataAt, length, true);
    if (framed) {
        const int w = int(std::clamp(std::round(std::abs(r.i32(32) * scaleX())), 1.0, 1e4));
        const int h = int(std::clamp(std::round(std::abs(r.i32(36) * scaleY())), 1.0, 1e4));
        const QRegion inner = region.intersected(region.translated(w, 0))
                                  .intersected(region.translated(-w, 0))
                                  .intersected(region.translated(0, h))
                                  .intersected(region.translated(0, -h));
        region -= inner;
    }
    if (m_inPath || region.isEmpty() || !beginDrawing(region.boundingRect()))
        return;
    QPainterPath path;
    path.addRegion(region);
    if (type == U_EMR_INVERTRGN) {
        m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter.fillPath(path, Qt::black);
        return;
    }
    QBrush brush = currentBrush();
    if (named) {
        const DcState saved = m_dc;
        const uint32_t index = r.u32(28);
        if (index & StockObject)
            selectStockObject(index & ~StockObject);
        else
            selectObject(index);
        brush = currentBrush();
        m_dc = saved;
    }
    m_painter.fillPath(path, brush);
}

// A region's rectangles on the image: clipping regions are in device units, the regions
// that are painted in logical ones.
QRegion EmfPlayer::regionData(const Record& r, std::size_t offset, std::size_t length,
                              bool logical) const
{
    QRegion region;
    if (length < 32)
        return region;
    const uint32_t count = std::min(r.u32(offset + 8), kMaxRegionRects);
    for (uint32_t i = 0;
         i < count && r.has(offset + 32 + std::size_t(i) * 16, 16) && 32 + (i + 1) * 16 <= length;
         ++i) {
        const std::size_t at = offset + 32 + std::size_t(i) * 16;
        const QRectF box(QPointF(r.i32(at), r.i32(at + 4)), QPointF(r.i32(at + 8), r.i32(at + 12)));
        const QRectF mapped = (logical ? mapRect(box.left(), box.top(), box.right(), box.bottom())
                                       : m_deviceToImage.mapRect(box.normalized())) &
            QRectF(-1e6, -1e6, 2e6, 2e6);
        region = region.united(mapped.toAlignedRect());
    }
    return region;
}
} // namespace plattera::emf
