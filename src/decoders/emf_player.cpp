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

Check EmfPlayer::play(const char* begin, const char* end)
{
    std::vector<char> buffer;
    const char* p = begin;
    for (int count = 0; count < metafile::kMaxRecords && end - p >= 8; ++count) {
        const uint32_t type = leU32(p);
        const uint32_t length = leU32(p + 4);
        if (type == U_EMR_EOF)
            break;
        if (length < 8 || length % 4 != 0 || length > std::size_t(end - p))
            return Check::failure(metafile::damagedRecordMessage(length, std::size_t(end - p)));
        const char* const at = p;
        p += length;
        // Only the records we play are checked: libuemf has no check for some others and
        // says so on the console.
        const Handler handler = handlerFor(type);
        if (!handler)
            continue;
        buffer.assign(length + kRecordPadding, 0);
        std::memcpy(buffer.data(), at, length);
        const Record record {type, buffer.data(), length};
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
        (this->*handler)(record);
    }
    return Done();
}

// Record types without a handler (comments, EMF+ among them, palettes, colour management,
// escapes and the rest) leave the picture alone.
EmfPlayer::Handler EmfPlayer::handlerFor(uint32_t type)
{
    static const std::array<Handler, U_EMR_MAX + 1> table = [] {
        std::array<Handler, U_EMR_MAX + 1> t {};
        const auto set = [&t](std::initializer_list<uint32_t> types, Handler h) {
            for (uint32_t type : types)
                t[type] = h;
        };
        set({U_EMR_SETBKCOLOR, U_EMR_SETTEXTCOLOR, U_EMR_SETBKMODE, U_EMR_SETPOLYFILLMODE,
             U_EMR_SETTEXTALIGN, U_EMR_SETARCDIRECTION},
            &EmfPlayer::colorsAndModes);
        set({U_EMR_SETMAPMODE, U_EMR_SETWINDOWEXTEX, U_EMR_SETWINDOWORGEX, U_EMR_SETVIEWPORTEXTEX,
             U_EMR_SETVIEWPORTORGEX, U_EMR_SCALEWINDOWEXTEX, U_EMR_SCALEVIEWPORTEXTEX},
            &EmfPlayer::mapping);
        set({U_EMR_SETWORLDTRANSFORM, U_EMR_MODIFYWORLDTRANSFORM}, &EmfPlayer::worldTransform);
        set({U_EMR_SAVEDC, U_EMR_RESTOREDC}, &EmfPlayer::savedStates);
        set({U_EMR_INTERSECTCLIPRECT, U_EMR_EXCLUDECLIPRECT, U_EMR_EXTSELECTCLIPRGN,
             U_EMR_OFFSETCLIPRGN, U_EMR_SELECTCLIPPATH},
            &EmfPlayer::clipping);
        set({U_EMR_CREATEPEN, U_EMR_EXTCREATEPEN}, &EmfPlayer::createPen);
        set({U_EMR_CREATEBRUSHINDIRECT, U_EMR_CREATEMONOBRUSH, U_EMR_CREATEDIBPATTERNBRUSHPT},
            &EmfPlayer::createBrush);
        set({U_EMR_EXTCREATEFONTINDIRECTW}, &EmfPlayer::createFont);
        set({U_EMR_CREATEPALETTE, U_EMR_CREATECOLORSPACE, U_EMR_CREATECOLORSPACEW},
            &EmfPlayer::createPlaceholder);
        set({U_EMR_SELECTOBJECT, U_EMR_DELETEOBJECT}, &EmfPlayer::selectOrDelete);
        set({U_EMR_MOVETOEX, U_EMR_LINETO, U_EMR_SETPIXELV}, &EmfPlayer::linesAndPixels);
        set({U_EMR_RECTANGLE, U_EMR_ROUNDRECT, U_EMR_ELLIPSE}, &EmfPlayer::boxes);
        set({U_EMR_ARC, U_EMR_CHORD, U_EMR_PIE, U_EMR_ARCTO}, &EmfPlayer::arcs);
        set({U_EMR_POLYLINE, U_EMR_POLYLINE16, U_EMR_POLYGON, U_EMR_POLYGON16, U_EMR_POLYLINETO,
             U_EMR_POLYLINETO16, U_EMR_POLYBEZIER, U_EMR_POLYBEZIER16, U_EMR_POLYBEZIERTO,
             U_EMR_POLYBEZIERTO16},
            &EmfPlayer::polys);
        set({U_EMR_POLYPOLYLINE, U_EMR_POLYPOLYGON, U_EMR_POLYPOLYLINE16, U_EMR_POLYPOLYGON16},
            &EmfPlayer::polyPoly);
        set({U_EMR_BEGINPATH, U_EMR_ENDPATH, U_EMR_ABORTPATH, U_EMR_CLOSEFIGURE, U_EMR_FILLPATH,
             U_EMR_STROKEPATH, U_EMR_STROKEANDFILLPATH},
            &EmfPlayer::paths);
        set({U_EMR_EXTTEXTOUTA, U_EMR_EXTTEXTOUTW}, &EmfPlayer::extText);
        set({U_EMR_POLYTEXTOUTA, U_EMR_POLYTEXTOUTW}, &EmfPlayer::polyText);
        set({U_EMR_SMALLTEXTOUT}, &EmfPlayer::smallText);
        set({U_EMR_BITBLT, U_EMR_STRETCHBLT, U_EMR_ALPHABLEND, U_EMR_TRANSPARENTBLT},
            &EmfPlayer::blits);
        set({U_EMR_STRETCHDIBITS, U_EMR_SETDIBITSTODEVICE}, &EmfPlayer::dibBits);
        set({U_EMR_GRADIENTFILL}, &EmfPlayer::gradient);
        set({U_EMR_FILLRGN, U_EMR_FRAMERGN, U_EMR_PAINTRGN, U_EMR_INVERTRGN},
            &EmfPlayer::paintRegion);
        return t;
    }();
    return type < table.size() ? table[type] : nullptr;
}

void EmfPlayer::colorsAndModes(const Record& r)
{
    switch (r.type) {
    case U_EMR_SETBKCOLOR:
        state().dc.bkColor = r.color(8);
        break;
    case U_EMR_SETTEXTCOLOR:
        state().dc.textColor = r.color(8);
        break;
    case U_EMR_SETBKMODE:
        state().dc.bkOpaque = r.u32(8) == OpaqueBackground;
        break;
    case U_EMR_SETPOLYFILLMODE:
        state().dc.fillRule = r.u32(8) == WindingFill ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_EMR_SETTEXTALIGN:
        state().dc.textAlign = int(r.u32(8) & 0xFFFF);
        break;
    case U_EMR_SETARCDIRECTION:
        state().dc.clockwiseArcs = r.u32(8) == ClockwiseArcs;
        break;
    }
}

void EmfPlayer::mapping(const Record& r)
{
    switch (r.type) {
    case U_EMR_SETMAPMODE: {
        const uint32_t mode = r.u32(8);
        if (mode < mapmode::Text || mode > mapmode::Anisotropic)
            return;
        state().dc.mapMode = int(mode);
        break;
    }
    case U_EMR_SETWINDOWEXTEX:
        state().dc.windowExt = r.point(8);
        break;
    case U_EMR_SETWINDOWORGEX:
        state().dc.windowOrg = r.point(8);
        break;
    case U_EMR_SETVIEWPORTEXTEX:
        state().dc.viewportExt = r.point(8);
        break;
    case U_EMR_SETVIEWPORTORGEX:
        state().dc.viewportOrg = r.point(8);
        break;
    case U_EMR_SCALEWINDOWEXTEX:
    case U_EMR_SCALEVIEWPORTEXTEX: {
        const int32_t xNum = r.i32(8), xDenom = r.i32(12), yNum = r.i32(16), yDenom = r.i32(20);
        if (xDenom == 0 || yDenom == 0)
            return;
        QPointF& ext =
            r.type == U_EMR_SCALEWINDOWEXTEX ? state().dc.windowExt : state().dc.viewportExt;
        ext = QPointF(ext.x() * xNum / xDenom, ext.y() * yNum / yDenom);
        break;
    }
    default:
        return;
    }
    updateTransform();
}

void EmfPlayer::worldTransform(const Record& r)
{
    bool ok = false;
    const QTransform x = readXform(r, 8, &ok);
    const uint32_t mode = r.type == U_EMR_SETWORLDTRANSFORM ? worldtransform::Set : r.u32(32);
    if (mode == worldtransform::Identity)
        state().dc.world = QTransform();
    else if (!ok)
        return;
    else if (mode == worldtransform::LeftMultiply)
        state().dc.world = x * state().dc.world;
    else if (mode == worldtransform::RightMultiply)
        state().dc.world = state().dc.world * x;
    else if (mode == worldtransform::Set)
        state().dc.world = x;
    updateTransform();
}

void EmfPlayer::savedStates(const Record& r)
{
    if (r.type == U_EMR_SAVEDC)
        saveDc();
    else
        restoreDc(r.i32(8));
}

void EmfPlayer::clipping(const Record& r)
{
    switch (r.type) {
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT:
        clipToRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.type == U_EMR_EXCLUDECLIPRECT);
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
        if (state().dc.clipped) {
            const QPointF shift = map(r.point(8)) - map(0, 0);
            state().dc.clip.translate(shift.toPoint());
            state().clipDirty = true;
        }
        break;
    case U_EMR_SELECTCLIPPATH:
        selectClipPath(int(r.u32(8)));
        break;
    }
}

void EmfPlayer::createBrush(const Record& r)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Brush;
    if (r.type == U_EMR_CREATEBRUSHINDIRECT) {
        object.brushStyle = int(r.u32(12));
        object.brushColor = r.color(16);
        object.hatch = int(r.u32(20));
    } else {
        object.brushStyle = brush::DibPattern;
        object.pattern = r.dib(16);
    }
    storeObject(r.u32(8), std::move(object));
}

// A palette or colour space replaces what its slot held, so selecting it later leaves the
// pen, brush and font alone.
void EmfPlayer::createPlaceholder(const Record& r)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Placeholder;
    storeObject(r.u32(8), std::move(object));
}

void EmfPlayer::selectOrDelete(const Record& r)
{
    if (r.type == U_EMR_SELECTOBJECT)
        selectByIndex(r.u32(8));
    else
        deleteObject(r.u32(8));
}

void EmfPlayer::selectByIndex(uint32_t index)
{
    if (index & StockObject)
        selectStockObject(index & ~StockObject);
    else
        selectObject(index);
}

void EmfPlayer::linesAndPixels(const Record& r)
{
    if (r.type == U_EMR_MOVETOEX)
        moveTo(r.point(8));
    else if (r.type == U_EMR_LINETO)
        lineTo(r.point(8));
    else
        setPixel(r.point(8), r.color(16));
}

void EmfPlayer::boxes(const Record& r)
{
    if (r.type == U_EMR_RECTANGLE)
        drawRectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
    else if (r.type == U_EMR_ROUNDRECT)
        drawRectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28));
    else
        drawEllipse(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
}

void EmfPlayer::arcs(const Record& r)
{
    const QRectF box(QPointF(r.i32(8), r.i32(12)), QPointF(r.i32(16), r.i32(20)));
    const ArcKind kind = r.type == U_EMR_CHORD ? ArcKind::Chord
        : r.type == U_EMR_PIE                  ? ArcKind::Pie
                                               : ArcKind::Arc;
    if (r.type != U_EMR_ARCTO) {
        drawArcFamily(kind, box, r.point(24), r.point(32));
        return;
    }
    // ArcTo first draws a line to where the arc starts and ends with the current position
    // where the arc ends.
    const QRectF ellipse = box.normalized();
    const QPointF c = ellipse.center();
    const auto onEllipse = [&](QPointF radial) {
        const double angle = std::atan2(c.y() - radial.y(), radial.x() - c.x());
        return QPointF(c.x() + ellipse.width() / 2 * std::cos(angle),
                       c.y() - ellipse.height() / 2 * std::sin(angle));
    };
    lineTo(onEllipse(r.point(24)));
    drawArcFamily(kind, box, r.point(24), r.point(32));
    state().dc.currentPos = onEllipse(r.point(32));
}

// Polylines, polygons and Béziers, with points of 32 bits a side or, from PolyBezier16 on,
// of 16.
void EmfPlayer::polys(const Record& r)
{
    const bool small = r.type >= U_EMR_POLYBEZIER16;
    const QPolygonF points = readPoints(r, 28, r.u32(24), small);
    switch (r.type) {
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
}

void EmfPlayer::paths(const Record& r)
{
    switch (r.type) {
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
    }
}

void EmfPlayer::extText(const Record& r)
{
    text(r, r.type == U_EMR_EXTTEXTOUTW, 36);
}

void EmfPlayer::polyText(const Record& r)
{
    for (uint32_t i = 0, count = r.u32(36); i < count && r.has(40 + uint64_t(i) * 40, 40); ++i)
        text(r, r.type == U_EMR_POLYTEXTOUTW, 40 + std::size_t(i) * 40);
}

// Points of 32 bits a side, or of 16 in the records named so.
void EmfPlayer::polyPoly(const Record& r)
{
    const bool small = r.type == U_EMR_POLYPOLYLINE16 || r.type == U_EMR_POLYPOLYGON16;
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
    if (r.type == U_EMR_POLYPOLYGON || r.type == U_EMR_POLYPOLYGON16) {
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
        state().painter.fillPath(path, shade);
    }
}

// Each pixel whose centre lies inside the triangle takes the corners' colours weighted by
// how near it is to each (barycentric weights), as the system's own gradient fill does.
bool EmfPlayer::shadeTriangle(const std::array<QPointF, 3>& p, const std::array<QColor, 3>& colour)
{
    const QRectF bounds = QPolygonF({p[0], p[1], p[2]}).boundingRect();
    const QRect area = bounds.toAlignedRect() & state().image.rect();
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
    state().painter.drawImage(area.topLeft(), tile);
    return true;
}

void EmfPlayer::createPen(const Record& r)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Pen;
    if (r.type == U_EMR_EXTCREATEPEN) {
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
            state().painter.fillRect(rect, state().dc.bkColor);
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

void EmfPlayer::dibBits(const Record& r)
{
    const QPointF dst = r.point(24), src = r.point(32), srcSize = r.point(40);
    bool bottomUp = false;
    const QImage image = r.dib(48, false, &bottomUp);
    if (image.isNull())
        return;
    const QPointF dstSize = r.type == U_EMR_STRETCHDIBITS ? r.point(72) : srcSize;
    const uint32_t rop = r.type == U_EMR_STRETCHDIBITS ? r.u32(68) : rop::SrcCopy;
    // The source rectangle counts its rows from the bottom of a bottom-up bitmap.
    const double sy = bottomUp ? image.height() - src.y() - srcSize.y() : src.y();
    drawImage(image, dst, dstSize, QRectF(src.x(), sy, srcSize.x(), srcSize.y()), rop);
}

// BitBlt, StretchBlt, AlphaBlend and TransparentBlt share their layout.
void EmfPlayer::blits(const Record& r)
{
    const QPointF dst = r.point(24), dstSize = r.point(32), src = r.point(44);
    const uint32_t rop = r.u32(40);
    const bool stretch = r.type != U_EMR_BITBLT;
    const QPointF srcSize = stretch ? r.point(100) : dstSize;
    if (r.u32(88) == 0) { // no bitmap: the raster operation paints with the brush alone
        if (r.type == U_EMR_BITBLT || r.type == U_EMR_STRETCHBLT)
            fillPattern(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y()),
                        rop);
        return;
    }
    const bool alpha = r.type == U_EMR_ALPHABLEND && (uint8_t(r.p[43]) & 1);
    QImage image = r.dib(84, alpha);
    if (image.isNull())
        return;
    double opacity = 1.0;
    unsigned drawRop = rop;
    if (r.type == U_EMR_ALPHABLEND) {
        opacity = uint8_t(r.p[42]) / 255.0;
        drawRop = rop::SrcCopy;
        if (alpha) // AC_SRC_ALPHA: the bitmap's own alpha, its colours already weighted by it
            image = QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                           QImage::Format_ARGB32_Premultiplied)
                        .copy();
    } else if (r.type == U_EMR_TRANSPARENTBLT) {
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
void EmfPlayer::paintRegion(const Record& r)
{
    const bool framed = r.type == U_EMR_FRAMERGN;
    const bool named = framed || r.type == U_EMR_FILLRGN;
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
    if (state().inPath || region.isEmpty() || !beginDrawing(region.boundingRect()))
        return;
    QPainterPath path;
    path.addRegion(region);
    if (r.type == U_EMR_INVERTRGN) {
        state().painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        state().painter.fillPath(path, Qt::black);
        return;
    }
    QBrush brush = currentBrush();
    if (named) {
        const DcState saved = state().dc;
        selectByIndex(r.u32(28));
        brush = currentBrush();
        state().dc = saved;
    }
    state().painter.fillPath(path, brush);
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
                                       : state().deviceToImage.mapRect(box.normalized())) &
            QRectF(-1e6, -1e6, 2e6, 2e6);
        region = region.united(mapped.toAlignedRect());
    }
    return region;
}
} // namespace plattera::emf
