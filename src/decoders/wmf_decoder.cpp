// Reads a Windows metafile: the placeable and standard headers, then each record through
// libuemf's parsers, handing the values to the shared metafile player, which draws them
// with QPainter.

#include <cmath>
#include <cstdint>
#include <cstring>

#include <QPainterPath>
#include <QPolygonF>

#include <uwmf.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"
#include "decoders/metafile_player.h"

namespace plattera {
namespace wmf {

using namespace metafile;

namespace {

// Room after every record copy, so that libuemf's readers of fixed-size fields never
// reach past our buffer even when a record is shorter than its type requires.
constexpr std::size_t kRecordPadding = 64;

QColor toColor(const U_COLORREF& c) { return QColor(c.Red, c.Green, c.Blue); }

// Points stored as x, y pairs of 16-bit values.
QPolygonF readPoints(const char* data, std::size_t count)
{
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i)
        points.append(QPointF(leI16(data + 4 * i), leI16(data + 4 * i + 2)));
    return points;
}

// Plays the records of one metafile onto an image. `frame` is the rectangle, in the
// metafile's logical units, that covers the whole image: the placeable bounding box, or
// the window extent when the file has no placeable header.
class WmfPlayer : public MetafilePlayer {
public:
    WmfPlayer(QImage& target, const QRectF& frame, int objectCount)
        : MetafilePlayer(target, frameToImage(target, frame), objectCount)
    {
        m_dc.windowOrg = m_dc.viewportOrg = frame.topLeft();
        m_dc.windowExt = m_dc.viewportExt = QPointF(frame.width(), frame.height());
        updateTransform();
    }

    // Plays records from `begin` up to the EOF record or `end`. Returns an error message
    // when a record runs past the data, else an empty string; drawing done before a bad
    // record stays on the image.
    QString play(const char* begin, const char* end);

private:
    static QTransform frameToImage(const QImage& image, const QRectF& frame)
    {
        const double kx = image.width() / (frame.width() != 0 ? frame.width() : 1);
        const double ky = image.height() / (frame.height() != 0 ? frame.height() : 1);
        return QTransform(kx, 0, 0, ky, -frame.x() * kx, -frame.y() * ky);
    }
    void playRecord(int type, const char* rec, std::size_t size);
};

QString WmfPlayer::play(const char* begin, const char* end)
{
    std::vector<char> record;
    const char* p = begin;
    for (int count = 0; count < kMaxRecords && end - p >= 6; ++count) {
        const std::size_t remaining = std::size_t(end - p);
        const std::size_t size = U_WMRRECSAFE_get(p, end);
        const uint64_t claimed = uint64_t(leU32(p)) * 2;
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

} // namespace

// `rec` is a private copy of one record of `size` bytes followed by zero padding, so the
// fixed fields libuemf reads are always inside our buffer; lengths stored inside the
// record are checked against `size` here before any variable part is used.
void WmfPlayer::playRecord(int type, const char* rec, std::size_t size)
{
    const char* const recEnd = rec + size;
    const auto fits = [&](const char* p, std::size_t bytes) {
        return p >= rec && p <= recEnd && std::size_t(recEnd - p) >= bytes;
    };
    U_POINT16 pt{}, pt2{}, pt3{}, pt4{};
    U_RECT16 r{};
    U_COLORREF color{};
    uint16_t mode = 0;
    switch (type) {
    // --- state ---
    case U_WMR_SETBKCOLOR:
        if (U_WMRSETBKCOLOR_get(rec, &color))
            m_dc.bkColor = toColor(color);
        break;
    case U_WMR_SETTEXTCOLOR:
        if (U_WMRSETTEXTCOLOR_get(rec, &color))
            m_dc.textColor = toColor(color);
        break;
    case U_WMR_SETBKMODE:
        if (U_WMRSETBKMODE_get(rec, &mode))
            m_dc.bkOpaque = mode == 2;
        break;
    case U_WMR_SETPOLYFILLMODE:
        if (U_WMRSETPOLYFILLMODE_get(rec, &mode))
            m_dc.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_WMR_SETTEXTALIGN:
        if (U_WMRSETTEXTALIGN_get(rec, &mode))
            m_dc.textAlign = mode;
        break;
    case U_WMR_SETMAPMODE:
        if (U_WMRSETMAPMODE_get(rec, &mode)) {
            m_dc.mapMode = mode;
            updateTransform();
        }
        break;
    case U_WMR_SETWINDOWORG:
        if (U_WMRSETWINDOWORG_get(rec, &pt)) {
            m_dc.windowOrg = QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_SETWINDOWEXT:
        if (U_WMRSETWINDOWEXT_get(rec, &pt)) {
            m_dc.windowExt = QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_SETVIEWPORTORG:
        if (U_WMRSETVIEWPORTORG_get(rec, &pt)) {
            m_dc.viewportOrg = QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_SETVIEWPORTEXT:
        if (U_WMRSETVIEWPORTEXT_get(rec, &pt)) {
            m_dc.viewportExt = QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_OFFSETWINDOWORG:
        if (U_WMROFFSETWINDOWORG_get(rec, &pt)) {
            m_dc.windowOrg += QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_OFFSETVIEWPORTORG:
        if (U_WMROFFSETVIEWPORTORG_get(rec, &pt)) {
            m_dc.viewportOrg += QPointF(pt.x, pt.y);
            updateTransform();
        }
        break;
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_SCALEVIEWPORTEXT: {
        const bool window = type == U_WMR_SCALEWINDOWEXT;
        const int ok = window ? U_WMRSCALEWINDOWEXT_get(rec, &pt, &pt2) : U_WMRSCALEVIEWPORTEXT_get(rec, &pt, &pt2);
        if (ok && pt.x != 0 && pt.y != 0) {
            QPointF& ext = window ? m_dc.windowExt : m_dc.viewportExt;
            ext = QPointF(ext.x() * pt2.x / pt.x, ext.y() * pt2.y / pt.y);
            updateTransform();
        }
        break;
    }
    case U_WMR_MOVETO:
        if (U_WMRMOVETO_get(rec, &pt))
            moveTo(QPointF(pt.x, pt.y));
        break;
    case U_WMR_SAVEDC:
        saveDc();
        break;
    case U_WMR_RESTOREDC: {
        int16_t level = 0;
        if (U_WMRRESTOREDC_get(rec, &level))
            restoreDc(level);
        break;
    }
    case U_WMR_INTERSECTCLIPRECT:
    case U_WMR_EXCLUDECLIPRECT: {
        const int ok = type == U_WMR_INTERSECTCLIPRECT ? U_WMRINTERSECTCLIPRECT_get(rec, &r)
                                                       : U_WMREXCLUDECLIPRECT_get(rec, &r);
        if (ok)
            clipToRect(r.left, r.top, r.right, r.bottom, type == U_WMR_EXCLUDECLIPRECT);
        break;
    }

    // --- objects ---
    case U_WMR_CREATEPENINDIRECT: {
        U_PEN pen{};
        if (!U_WMRCREATEPENINDIRECT_get(rec, &pen))
            break;
        GdiObject object;
        object.kind = GdiObject::Kind::Pen;
        object.penStyle = pen.Style;
        object.penWidth = int16_t(pen.Widthw[0]);
        object.cosmetic = object.penWidth <= 0;
        object.penColor = toColor(pen.Color);
        addObject(std::move(object));
        break;
    }
    case U_WMR_CREATEBRUSHINDIRECT: {
        const char* brush = nullptr;
        if (!U_WMRCREATEBRUSHINDIRECT_get(rec, &brush) || !fits(brush, 8))
            break;
        GdiObject object;
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = leU16(brush);
        object.brushColor = QColor(uint8_t(brush[2]), uint8_t(brush[3]), uint8_t(brush[4]));
        object.hatch = leU16(brush + 6);
        addObject(std::move(object));
        break;
    }
    case U_WMR_CREATEFONTINDIRECT: {
        const char* font = nullptr;
        if (!U_WMRCREATEFONTINDIRECT_get(rec, &font) || !fits(font, 18))
            break;
        GdiObject object;
        object.kind = GdiObject::Kind::Font;
        object.fontHeight = leI16(font);
        object.escapement = leI16(font + 4);
        object.weight = leI16(font + 8);
        object.italic = font[10] != 0;
        object.underline = font[11] != 0;
        object.strikeOut = font[12] != 0;
        object.charSet = uint8_t(font[13]);
        const char* face = font + 18;
        const std::size_t faceMax = std::min<std::size_t>(32, std::size_t(recEnd - face));
        object.face = QString::fromLatin1(face, qsizetype(strnlen(face, faceMax))).trimmed();
        addObject(std::move(object));
        break;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH: {
        uint16_t style = 0, usage = 0;
        const char* bm16 = nullptr;
        const char* dib = nullptr;
        GdiObject object;
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = 5;
        if (U_WMRDIBCREATEPATTERNBRUSH_get(rec, &style, &usage, &bm16, &dib) && dib && fits(dib, 0))
            object.pattern = decodeDib(dib, std::size_t(recEnd - dib));
        addObject(std::move(object));
        break;
    }
    case U_WMR_CREATEPATTERNBRUSH:
    case U_WMR_CREATEPALETTE:
    case U_WMR_CREATEREGION:
    case U_WMR_CREATEBITMAP:
    case U_WMR_CREATEBITMAPINDIRECT:
    case U_WMR_F8: { // CreateBrush, long obsolete
        GdiObject object;
        object.kind = GdiObject::Kind::Placeholder;
        addObject(std::move(object));
        break;
    }
    case U_WMR_SELECTOBJECT:
        if (U_WMRSELECTOBJECT_get(rec, &mode))
            selectObject(mode);
        break;
    case U_WMR_DELETEOBJECT:
        if (U_WMRDELETEOBJECT_get(rec, &mode))
            deleteObject(mode);
        break;

    // --- shapes ---
    case U_WMR_LINETO:
        if (U_WMRLINETO_get(rec, &pt))
            lineTo(QPointF(pt.x, pt.y));
        break;
    case U_WMR_RECTANGLE:
        if (U_WMRRECTANGLE_get(rec, &r))
            drawRectangle(r.left, r.top, r.right, r.bottom);
        break;
    case U_WMR_ROUNDRECT: {
        int16_t w = 0, h = 0;
        if (U_WMRROUNDRECT_get(rec, &w, &h, &r))
            drawRectangle(r.left, r.top, r.right, r.bottom, w, h);
        break;
    }
    case U_WMR_ELLIPSE:
        if (U_WMRELLIPSE_get(rec, &r))
            drawEllipse(r.left, r.top, r.right, r.bottom);
        break;
    case U_WMR_ARC:
    case U_WMR_PIE:
    case U_WMR_CHORD: {
        int ok = 0;
        if (type == U_WMR_ARC)
            ok = U_WMRARC_get(rec, &pt, &pt2, &r);
        else if (type == U_WMR_PIE)
            ok = U_WMRPIE_get(rec, &pt, &pt2, &r);
        else
            ok = U_WMRCHORD_get(rec, &pt, &pt2, &r);
        if (ok)
            drawArcFamily(type == U_WMR_ARC ? ArcKind::Arc : type == U_WMR_PIE ? ArcKind::Pie : ArcKind::Chord,
                          QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)), QPointF(pt.x, pt.y),
                          QPointF(pt2.x, pt2.y));
        break;
    }
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE: {
        uint16_t count = 0;
        const char* data = nullptr;
        const int ok = type == U_WMR_POLYGON ? U_WMRPOLYGON_get(rec, &count, &data)
                                             : U_WMRPOLYLINE_get(rec, &count, &data);
        if (!ok || !fits(data, std::size_t(count) * 4))
            break;
        const QPolygonF points = readPoints(data, count);
        if (type == U_WMR_POLYGON)
            drawPolygon(points);
        else
            drawPolyline(points);
        break;
    }
    case U_WMR_POLYPOLYGON: {
        uint16_t polys = 0;
        const uint16_t* counts = nullptr;
        const char* data = nullptr;
        if (!U_WMRPOLYPOLYGON_get(rec, &polys, &counts, &data))
            break;
        const char* countBytes = reinterpret_cast<const char*>(counts);
        if (!fits(countBytes, std::size_t(polys) * 2))
            break;
        std::size_t total = 0;
        for (std::size_t i = 0; i < polys; ++i)
            total += leU16(countBytes + 2 * i);
        if (!fits(data, total * 4))
            break;
        std::vector<QPolygonF> polygons;
        for (std::size_t i = 0, offset = 0; i < polys; ++i) {
            const std::size_t n = leU16(countBytes + 2 * i);
            polygons.push_back(readPoints(data + offset * 4, n));
            offset += n;
        }
        drawPolyPolygon(polygons);
        break;
    }
    case U_WMR_SETPIXEL:
        if (U_WMRSETPIXEL_get(rec, &color, &pt))
            setPixel(QPointF(pt.x, pt.y), toColor(color));
        break;
    case U_WMR_PATBLT: {
        uint32_t rop = 0;
        if (U_WMRPATBLT_get(rec, &pt, &pt2, &rop))
            fillPattern(mapRect(pt.x, pt.y, pt.x + pt2.x, pt.y + pt2.y), rop);
        break;
    }

    // --- text ---
    case U_WMR_TEXTOUT: {
        if (size < 8)
            break;
        const int16_t length = leI16(rec + 6);
        if (length < 0 || !fits(rec + 8, std::size_t((length + 1) / 2) * 2 + 4))
            break;
        int16_t len = 0;
        const char* string = nullptr;
        if (!U_WMRTEXTOUT_get(rec, &pt, &len, &string))
            break;
        drawText(QPointF(pt.x, pt.y), decodeText(QByteArray(string, length)), {}, 0, QRectF());
        break;
    }
    case U_WMR_EXTTEXTOUT: {
        if (size < 14)
            break;
        const int16_t length = leI16(rec + 10);
        const uint16_t options = leU16(rec + 12);
        const std::size_t rectBytes = (options & (U_ETO_OPAQUE | U_ETO_CLIPPED)) ? 8 : 0;
        if (length < 0 || !fits(rec + 14, rectBytes + std::size_t(length)))
            break;
        int16_t len = 0;
        uint16_t opts = 0;
        const char* string = nullptr;
        const int16_t* dxPtr = nullptr;
        if (!U_WMREXTTEXTOUT_get(rec, &pt, &len, &opts, &string, &dxPtr, &r))
            break;
        std::vector<double> dx;
        const char* dxBytes = reinterpret_cast<const char*>(dxPtr);
        if (dxPtr && length > 0 && fits(dxBytes, std::size_t(length) * 2))
            for (int i = 0; i < length; ++i)
                dx.push_back(leI16(dxBytes + 2 * i));
        const QRectF box = rectBytes ? mapRect(r.left, r.top, r.right, r.bottom) : QRectF();
        if (length == 0) {
            if ((options & U_ETO_OPAQUE) && beginDrawing(box))
                m_painter.fillRect(box, m_dc.bkColor);
            break;
        }
        drawText(QPointF(pt.x, pt.y), decodeText(QByteArray(string, length)), dx, rectBytes ? options : 0, box);
        break;
    }

    // --- bitmaps ---
    case U_WMR_STRETCHDIB: {
        uint16_t usage = 0;
        uint32_t rop = 0;
        const char* dib = nullptr;
        if (U_WMRSTRETCHDIB_get(rec, &pt, &pt2, &pt3, &pt4, &usage, &rop, &dib) && dib && fits(dib, 0))
            drawDib(dib, std::size_t(recEnd - dib), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y),
                    QPointF(pt3.x, pt3.y), QPointF(pt4.x, pt4.y), rop, true);
        break;
    }
    case U_WMR_DIBSTRETCHBLT: {
        uint32_t rop = 0;
        const char* dib = nullptr;
        if (!U_WMRDIBSTRETCHBLT_get(rec, &pt, &pt2, &pt3, &pt4, &rop, &dib))
            break;
        if (dib && fits(dib, 0))
            drawDib(dib, std::size_t(recEnd - dib), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y),
                    QPointF(pt3.x, pt3.y), QPointF(pt4.x, pt4.y), rop, false);
        else if (!dib)
            fillPattern(mapRect(pt.x, pt.y, pt.x + pt2.x, pt.y + pt2.y), rop);
        break;
    }
    case U_WMR_DIBBITBLT: {
        uint32_t rop = 0;
        const char* dib = nullptr;
        if (!U_WMRDIBBITBLT_get(rec, &pt, &pt2, &pt3, &rop, &dib))
            break;
        if (dib && fits(dib, 0))
            drawDib(dib, std::size_t(recEnd - dib), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y),
                    QPointF(pt3.x, pt3.y), QPointF(pt2.x, pt2.y), rop, false);
        else if (!dib)
            fillPattern(mapRect(pt.x, pt.y, pt.x + pt2.x, pt.y + pt2.y), rop);
        break;
    }
    case U_WMR_SETDIBTODEV: {
        uint16_t usage = 0, scanCount = 0, startScan = 0;
        const char* dib = nullptr;
        if (U_WMRSETDIBTODEV_get(rec, &pt, &pt2, &pt3, &usage, &scanCount, &startScan, &dib) && dib && fits(dib, 0))
            drawDib(dib, std::size_t(recEnd - dib), QPointF(pt.x, pt.y), QPointF(pt2.x, pt2.y),
                    QPointF(pt3.x, pt3.y), QPointF(pt2.x, pt2.y), 0x00CC0020, true);
        break;
    }
    default:
        // Raster operations, palettes, regions, escapes and the rest leave the picture alone.
        break;
    }
}

namespace {

struct Geometry {
    QRectF frame;
    QSize size;
    int objects = 0;
    const char* records = nullptr;
};

// The window extent the records set first, for metafiles without a placeable header.
bool firstWindowExtent(const char* p, const char* end, QPointF* extent)
{
    for (int count = 0; count < kMaxRecords && end - p >= 6; ++count) {
        const std::size_t size = U_WMRRECSAFE_get(p, end);
        if (size == 0)
            return false;
        const uint16_t function = leU16(p + 4);
        if (function == 0)
            return false;
        if ((function & U_WMR_MASK) == U_WMR_SETWINDOWEXT && size >= 10) {
            *extent = QPointF(leI16(p + 8), leI16(p + 6));
            return true;
        }
        p += size;
    }
    return false;
}

QString readGeometry(const QByteArray& data, int ppi, Geometry* geometry)
{
    const char* begin = data.constData();
    const char* end = begin + data.size();
    if (data.size() < 18)
        return QStringLiteral("The file is too short to be a metafile.");
    U_WMRPLACEABLE placeable{};
    U_WMRHEADER header{};
    const int headerBytes = wmfheader_get(begin, end, &placeable, &header);
    const bool hasPlaceable = placeable.Key == 0x9AC6CDD7;
    const char* headerStart = begin + (hasPlaceable ? U_SIZE_WMRPLACEABLE : 0);
    if (headerBytes <= 0 || end - headerStart < U_SIZE_WMRHEADER)
        return QStringLiteral("The file is not a metafile or its header is damaged.");
    if ((header.iType != 1 && header.iType != 2) || header.Size16w != 9
        || (header.version != 0x0100 && header.version != 0x0300))
        return QStringLiteral("The file is not a metafile (unknown header).");
    geometry->objects = header.nObjects;
    geometry->records = headerStart + 2 * header.Size16w;

    long long width = 0, height = 0;
    if (hasPlaceable) {
        const U_RECT16& box = placeable.Dst;
        if (placeable.Inch == 0)
            return QStringLiteral("The metafile header gives zero units per inch.");
        width = std::llround(std::abs(double(box.right) - box.left) * ppi / placeable.Inch);
        height = std::llround(std::abs(double(box.bottom) - box.top) * ppi / placeable.Inch);
        geometry->frame = QRectF(QPointF(box.left, box.top), QPointF(box.right, box.bottom)).normalized();
    } else {
        QPointF extent;
        if (!firstWindowExtent(geometry->records, end, &extent))
            return QStringLiteral("The metafile has no placeable header and sets no window extent, so it has no size.");
        width = std::llround(std::abs(extent.x()));
        height = std::llround(std::abs(extent.y()));
        geometry->frame = QRectF(0, 0, double(width), double(height));
    }
    if (width == 0 || height == 0)
        return QStringLiteral("The metafile has an empty size (%1 x %2 pixels).").arg(width).arg(height);
    const QString sizeError = checkPictureSize(width, height);
    if (!sizeError.isEmpty())
        return sizeError;
    geometry->size = QSize(int(width), int(height));
    return QString();
}

} // namespace
} // namespace wmf

DecodeResult decodeWmf(const QByteArray& data, int ppi)
{
    if (ppi <= 0)
        return DecodeResult::failure(QStringLiteral("Cannot draw a metafile at %1 pixels per inch.").arg(ppi));
    wmf::Geometry geometry;
    const QString error = wmf::readGeometry(data, ppi, &geometry);
    if (!error.isEmpty())
        return DecodeResult::failure(error);
    QImage image = allocateWhiteImage(geometry.size.width(), geometry.size.height());
    if (image.isNull())
        return DecodeResult::failure(QStringLiteral("Not enough memory for a %1 x %2 picture.")
                                         .arg(geometry.size.width()).arg(geometry.size.height()));
    QString playError;
    {
        wmf::WmfPlayer player(image, geometry.frame, geometry.objects);
        playError = player.play(geometry.records, data.constData() + data.size());
    }
    if (!playError.isEmpty())
        return DecodeResult::failure(playError);
    return DecodeResult::success(std::move(image));
}

} // namespace plattera
