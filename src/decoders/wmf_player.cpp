#include "decoders/wmf_player.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <QPolygonF>

#include <uwmf.h>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"
#include "decoders/gdi_constants.h"

namespace plattera::wmf {

using namespace metafile;

namespace {

// Room after every record copy, so that libuemf's readers of fixed-size fields never
// reach past our buffer even when a record is shorter than its type requires.
constexpr std::size_t kRecordPadding = 64;

QColor toColor(const U_COLORREF& c)
{
    return QColor(c.Red, c.Green, c.Blue);
}
QPointF toPoint(const U_POINT16& p)
{
    return QPointF(p.x, p.y);
}

// Points stored as x, y pairs of 16-bit values.
QPolygonF readPoints(const char* data, std::size_t count)
{
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i)
        points.append(QPointF(leI16(data + 4 * i), leI16(data + 4 * i + 2)));
    return points;
}

// An old device-dependent bitmap (Bitmap16): its 10-byte header at `header`, its rows from
// `bits`, top row first. It is handed to the DIB reader as the bitmap it stands for:
// monochrome bits take the text colour (0) and the background colour (1), as the system
// paints them onto colour, and 4 bits index the 16 VGA colours. 8 bits index the
// palette of a device long gone, so those bitmaps are not drawn.
QImage bitmap16(const char* header, const char* bits, std::size_t bitsLength, QRgb zero, QRgb one)
{
    const int width = leI16(header + 2), height = leI16(header + 4);
    const int planes = uint8_t(header[8]), bpp = uint8_t(header[9]);
    if (width <= 0 || height <= 0 || planes != 1 ||
        (bpp != 1 && bpp != 4 && bpp != 16 && bpp != 24 && bpp != 32) ||
        !checkPictureSize(width, height))
        return QImage();
    // Rows are WidthBytes apart. Some writers store a few bytes short of the last rows;
    // what is missing stays zero, as the system's reader leaves it.
    const int widthBytes = leI16(header + 6);
    if (widthBytes < (width * bpp + 7) / 8 ||
        uint64_t(widthBytes) * uint64_t(height) > 2 * uint64_t(bitsLength) + 64)
        return QImage();
    static const QRgb vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                 0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const int colours = bpp == 1 ? 2 : bpp == 4 ? 16 : 0;
    const std::size_t stride = std::size_t(width * bpp + 31) / 32 * 4;
    QByteArray dib(40 + 4 * colours + qsizetype(stride) * height, '\0');
    char* h = dib.data();
    const auto put32 = [](char* at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            at[i] = char(v >> (8 * i));
    };
    put32(h, 40);
    put32(h + 4, uint32_t(width));
    put32(h + 8, uint32_t(-height)); // top row first
    h[12] = 1;
    h[14] = char(bpp);
    put32(h + 32, uint32_t(colours));
    for (int i = 0; i < colours; ++i)
        put32(h + 40 + 4 * i, (colours == 2 ? (i ? one : zero) : vga[i]) & 0xFFFFFFu);
    for (std::size_t y = 0, from = 0; y < std::size_t(height) && from < bitsLength;
         ++y, from += std::size_t(widthBytes))
        std::memcpy(h + 40 + 4 * colours + y * stride, bits + from,
                    std::min({stride, std::size_t(widthBytes), bitsLength - from}));
    const DecodeResult bitmap =
        decodeDib(metafileDib(dib.constData(), std::size_t(dib.size())), false);
    return bitmap.ok() ? bitmap->image : QImage();
}

// A DIB starts with the size of its info header, a Bitmap16 with two small numbers.
bool looksLikeDib(const char* at)
{
    const uint32_t size = leU32(at);
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

QTransform frameToImage(const QImage& image, const QRectF& frame)
{
    const double kx = image.width() / (frame.width() != 0 ? frame.width() : 1);
    const double ky = image.height() / (frame.height() != 0 ? frame.height() : 1);
    return QTransform(kx, 0, 0, ky, -frame.x() * kx, -frame.y() * ky);
}

} // namespace

WmfPlayer::WmfPlayer(QImage& target, const QRectF& frame, int objectCount)
    : MetafilePlayer(target, frameToImage(target, frame), objectCount)
{
    state().dc.windowOrg = state().dc.viewportOrg = frame.topLeft();
    state().dc.windowExt = state().dc.viewportExt = QPointF(frame.width(), frame.height());
    updateTransform();
}

Check WmfPlayer::play(const char* begin, const char* end)
{
    const std::array<Handler, 256>& table = handlers();
    std::vector<char> copy;
    const char* p = begin;
    for (int count = 0; count < kMaxRecords && end - p >= 6; ++count) {
        const std::size_t remaining = std::size_t(end - p);
        const std::size_t size = U_WMRRECSAFE_get(p, end);
        if (size == 0 || size > remaining)
            return Check::failure(damagedRecordMessage(uint64_t(leU32(p)) * 2, remaining));
        const uint16_t function = leU16(p + 4);
        if (function == 0) // EOF record
            break;
        const Handler handler = table[function & U_WMR_MASK];
        if (handler) {
            copy.assign(size + kRecordPadding, 0);
            std::memcpy(copy.data(), p, size);
            (this->*handler)(Record {function & U_WMR_MASK, copy.data(), size});
        }
        p += size;
    }
    return Done();
}

// Record types without a handler (raster operations on regions, palettes, escapes and the
// rest) leave the picture alone.
const std::array<WmfPlayer::Handler, 256>& WmfPlayer::handlers()
{
    static const std::array<Handler, 256> table = [] {
        std::array<Handler, 256> t {};
        const auto set = [&t](std::initializer_list<int> types, Handler h) {
            for (int type : types)
                t[std::size_t(type)] = h;
        };
        set({U_WMR_SETBKCOLOR, U_WMR_SETTEXTCOLOR, U_WMR_SETBKMODE, U_WMR_SETPOLYFILLMODE,
             U_WMR_SETTEXTALIGN},
            &WmfPlayer::colorsAndModes);
        set({U_WMR_SETMAPMODE, U_WMR_SETWINDOWORG, U_WMR_SETWINDOWEXT, U_WMR_SETVIEWPORTORG,
             U_WMR_SETVIEWPORTEXT, U_WMR_OFFSETWINDOWORG, U_WMR_OFFSETVIEWPORTORG,
             U_WMR_SCALEWINDOWEXT, U_WMR_SCALEVIEWPORTEXT},
            &WmfPlayer::mapping);
        set({U_WMR_SAVEDC, U_WMR_RESTOREDC, U_WMR_INTERSECTCLIPRECT, U_WMR_EXCLUDECLIPRECT},
            &WmfPlayer::savedStatesAndClip);
        set({U_WMR_CREATEPENINDIRECT, U_WMR_CREATEBRUSHINDIRECT}, &WmfPlayer::createPenOrBrush);
        set({U_WMR_CREATEFONTINDIRECT}, &WmfPlayer::createFont);
        set({U_WMR_DIBCREATEPATTERNBRUSH, U_WMR_CREATEPATTERNBRUSH},
            &WmfPlayer::createPatternBrush);
        set({U_WMR_CREATEPALETTE, U_WMR_CREATEREGION, U_WMR_CREATEBITMAP,
             U_WMR_CREATEBITMAPINDIRECT, U_WMR_F8},
            &WmfPlayer::createPlaceholder);
        set({U_WMR_SELECTOBJECT, U_WMR_DELETEOBJECT}, &WmfPlayer::selectOrDelete);
        set({U_WMR_MOVETO, U_WMR_LINETO}, &WmfPlayer::lines);
        set({U_WMR_RECTANGLE, U_WMR_ROUNDRECT, U_WMR_ELLIPSE}, &WmfPlayer::boxes);
        set({U_WMR_ARC, U_WMR_PIE, U_WMR_CHORD}, &WmfPlayer::arcs);
        set({U_WMR_POLYGON, U_WMR_POLYLINE}, &WmfPlayer::polygons);
        set({U_WMR_POLYPOLYGON}, &WmfPlayer::polyPolygon);
        set({U_WMR_SETPIXEL, U_WMR_PATBLT}, &WmfPlayer::pixelAndPattern);
        set({U_WMR_TEXTOUT}, &WmfPlayer::text);
        set({U_WMR_EXTTEXTOUT}, &WmfPlayer::extText);
        set({U_WMR_STRETCHDIB, U_WMR_DIBSTRETCHBLT, U_WMR_DIBBITBLT, U_WMR_SETDIBTODEV},
            &WmfPlayer::bitmaps);
        set({U_WMR_BITBLT, U_WMR_STRETCHBLT}, &WmfPlayer::oldBitmaps);
        return t;
    }();
    return table;
}

void WmfPlayer::colorsAndModes(const Record& r)
{
    U_COLORREF color {};
    uint16_t mode = 0;
    switch (r.type) {
    case U_WMR_SETBKCOLOR:
        if (U_WMRSETBKCOLOR_get(r.p, &color))
            state().dc.bkColor = toColor(color);
        break;
    case U_WMR_SETTEXTCOLOR:
        if (U_WMRSETTEXTCOLOR_get(r.p, &color))
            state().dc.textColor = toColor(color);
        break;
    case U_WMR_SETBKMODE:
        if (U_WMRSETBKMODE_get(r.p, &mode))
            state().dc.bkOpaque = mode == gdi::OpaqueBackground;
        break;
    case U_WMR_SETPOLYFILLMODE:
        if (U_WMRSETPOLYFILLMODE_get(r.p, &mode))
            state().dc.fillRule = mode == gdi::WindingFill ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_WMR_SETTEXTALIGN:
        if (U_WMRSETTEXTALIGN_get(r.p, &mode))
            state().dc.textAlign = mode;
        break;
    }
}

void WmfPlayer::mapping(const Record& r)
{
    U_POINT16 pt {}, pt2 {};
    uint16_t mode = 0;
    switch (r.type) {
    case U_WMR_SETMAPMODE:
        if (!U_WMRSETMAPMODE_get(r.p, &mode))
            return;
        state().dc.mapMode = mode;
        break;
    case U_WMR_SETWINDOWORG:
        if (!U_WMRSETWINDOWORG_get(r.p, &pt))
            return;
        state().dc.windowOrg = toPoint(pt);
        break;
    case U_WMR_SETWINDOWEXT:
        if (!U_WMRSETWINDOWEXT_get(r.p, &pt))
            return;
        state().dc.windowExt = toPoint(pt);
        break;
    case U_WMR_SETVIEWPORTORG:
        if (!U_WMRSETVIEWPORTORG_get(r.p, &pt))
            return;
        state().dc.viewportOrg = toPoint(pt);
        break;
    case U_WMR_SETVIEWPORTEXT:
        if (!U_WMRSETVIEWPORTEXT_get(r.p, &pt))
            return;
        state().dc.viewportExt = toPoint(pt);
        break;
    case U_WMR_OFFSETWINDOWORG:
        if (!U_WMROFFSETWINDOWORG_get(r.p, &pt))
            return;
        state().dc.windowOrg += toPoint(pt);
        break;
    case U_WMR_OFFSETVIEWPORTORG:
        if (!U_WMROFFSETVIEWPORTORG_get(r.p, &pt))
            return;
        state().dc.viewportOrg += toPoint(pt);
        break;
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_SCALEVIEWPORTEXT: {
        const bool window = r.type == U_WMR_SCALEWINDOWEXT;
        const int ok = window ? U_WMRSCALEWINDOWEXT_get(r.p, &pt, &pt2)
                              : U_WMRSCALEVIEWPORTEXT_get(r.p, &pt, &pt2);
        if (!ok || pt.x == 0 || pt.y == 0)
            return;
        QPointF& ext = window ? state().dc.windowExt : state().dc.viewportExt;
        ext = QPointF(ext.x() * pt2.x / pt.x, ext.y() * pt2.y / pt.y);
        break;
    }
    default:
        return;
    }
    updateTransform();
}

void WmfPlayer::savedStatesAndClip(const Record& r)
{
    U_RECT16 box {};
    int16_t level = 0;
    switch (r.type) {
    case U_WMR_SAVEDC:
        saveDc();
        break;
    case U_WMR_RESTOREDC:
        if (U_WMRRESTOREDC_get(r.p, &level))
            restoreDc(level);
        break;
    case U_WMR_INTERSECTCLIPRECT:
    case U_WMR_EXCLUDECLIPRECT: {
        const bool exclude = r.type == U_WMR_EXCLUDECLIPRECT;
        const int ok =
            exclude ? U_WMREXCLUDECLIPRECT_get(r.p, &box) : U_WMRINTERSECTCLIPRECT_get(r.p, &box);
        if (ok)
            clipToRect(box.left, box.top, box.right, box.bottom, exclude);
        break;
    }
    }
}

void WmfPlayer::createPenOrBrush(const Record& r)
{
    GdiObject object;
    if (r.type == U_WMR_CREATEPENINDIRECT) {
        U_PEN pen {};
        if (!U_WMRCREATEPENINDIRECT_get(r.p, &pen))
            return;
        object.kind = GdiObject::Kind::Pen;
        object.penStyle = pen.Style;
        object.penWidth = int16_t(pen.Widthw[0]);
        object.cosmetic = object.penWidth <= 0;
        object.penColor = toColor(pen.Color);
    } else {
        const char* brush = nullptr;
        if (!U_WMRCREATEBRUSHINDIRECT_get(r.p, &brush) || !r.fits(brush, 8))
            return;
        object.kind = GdiObject::Kind::Brush;
        object.brushStyle = leU16(brush);
        object.brushColor = QColor(uint8_t(brush[2]), uint8_t(brush[3]), uint8_t(brush[4]));
        object.hatch = leU16(brush + 6);
    }
    addObject(std::move(object));
}

void WmfPlayer::createFont(const Record& r)
{
    const char* font = nullptr;
    if (!U_WMRCREATEFONTINDIRECT_get(r.p, &font) || !r.fits(font, 18))
        return;
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
    const std::size_t faceMax = std::min<std::size_t>(32, std::size_t(r.end() - face));
    object.face = QString::fromLatin1(face, qsizetype(strnlen(face, faceMax))).trimmed();
    addObject(std::move(object));
}

// The pattern is a DIB, or an old Bitmap16: the whole of it after the style in a DIB
// pattern brush record of the pattern style (which libuemf does not read; many writers put
// a DIB there all the same), or a header, 22 unused bytes and the bits in a plain pattern
// brush record.
void WmfPlayer::createPatternBrush(const Record& r)
{
    uint16_t style = 0, usage = 0;
    const char* bm16 = nullptr;
    const char* dib = nullptr;
    GdiObject object;
    object.kind = GdiObject::Kind::Brush;
    object.brushStyle = gdi::brush::DibPattern;
    if (r.type == U_WMR_CREATEPATTERNBRUSH) {
        if (r.size >= 38)
            object.pattern = bitmap16(r.p + 6, r.p + 38, r.size - 38, state().dc.textColor.rgb(),
                                      state().dc.bkColor.rgb());
    } else if (r.size >= 20 && leU16(r.p + 6) == gdi::brush::Pattern && !looksLikeDib(r.p + 10)) {
        object.pattern = bitmap16(r.p + 10, r.p + 20, r.size - 20, state().dc.textColor.rgb(),
                                  state().dc.bkColor.rgb());
    } else if (U_WMRDIBCREATEPATTERNBRUSH_get(r.p, &style, &usage, &bm16, &dib) && dib &&
               r.fits(dib, 0)) {
        const DecodeResult bitmap = decodeDib(metafileDib(dib, std::size_t(r.end() - dib)), false);
        if (bitmap.ok())
            object.pattern = bitmap->image;
    }
    addObject(std::move(object));
}

// Objects we do not draw with still take their slot, so later indexes stay right.
void WmfPlayer::createPlaceholder(const Record&)
{
    GdiObject object;
    object.kind = GdiObject::Kind::Placeholder;
    addObject(std::move(object));
}

void WmfPlayer::selectOrDelete(const Record& r)
{
    uint16_t index = 0;
    if (r.type == U_WMR_SELECTOBJECT && U_WMRSELECTOBJECT_get(r.p, &index))
        selectObject(index);
    else if (r.type == U_WMR_DELETEOBJECT && U_WMRDELETEOBJECT_get(r.p, &index))
        deleteObject(index);
}

void WmfPlayer::lines(const Record& r)
{
    U_POINT16 pt {};
    if (r.type == U_WMR_MOVETO && U_WMRMOVETO_get(r.p, &pt))
        moveTo(toPoint(pt));
    else if (r.type == U_WMR_LINETO && U_WMRLINETO_get(r.p, &pt))
        lineTo(toPoint(pt));
}

void WmfPlayer::boxes(const Record& r)
{
    U_RECT16 box {};
    int16_t w = 0, h = 0;
    if (r.type == U_WMR_RECTANGLE && U_WMRRECTANGLE_get(r.p, &box))
        drawRectangle(box.left, box.top, box.right, box.bottom);
    else if (r.type == U_WMR_ROUNDRECT && U_WMRROUNDRECT_get(r.p, &w, &h, &box))
        drawRectangle(box.left, box.top, box.right, box.bottom, w, h);
    else if (r.type == U_WMR_ELLIPSE && U_WMRELLIPSE_get(r.p, &box))
        drawEllipse(box.left, box.top, box.right, box.bottom);
}

void WmfPlayer::arcs(const Record& r)
{
    U_POINT16 start {}, end {};
    U_RECT16 box {};
    int ok = 0;
    ArcKind kind = ArcKind::Arc;
    if (r.type == U_WMR_ARC) {
        ok = U_WMRARC_get(r.p, &start, &end, &box);
    } else if (r.type == U_WMR_PIE) {
        ok = U_WMRPIE_get(r.p, &start, &end, &box);
        kind = ArcKind::Pie;
    } else {
        ok = U_WMRCHORD_get(r.p, &start, &end, &box);
        kind = ArcKind::Chord;
    }
    if (ok)
        drawArcFamily(kind, QRectF(QPointF(box.left, box.top), QPointF(box.right, box.bottom)),
                      toPoint(start), toPoint(end));
}

void WmfPlayer::polygons(const Record& r)
{
    uint16_t count = 0;
    const char* data = nullptr;
    const bool polygon = r.type == U_WMR_POLYGON;
    const int ok =
        polygon ? U_WMRPOLYGON_get(r.p, &count, &data) : U_WMRPOLYLINE_get(r.p, &count, &data);
    if (!ok || !r.fits(data, std::size_t(count) * 4))
        return;
    const QPolygonF points = readPoints(data, count);
    if (polygon)
        drawPolygon(points);
    else
        drawPolyline(points);
}

void WmfPlayer::polyPolygon(const Record& r)
{
    uint16_t polys = 0;
    const uint16_t* counts = nullptr;
    const char* data = nullptr;
    if (!U_WMRPOLYPOLYGON_get(r.p, &polys, &counts, &data))
        return;
    const char* countBytes = reinterpret_cast<const char*>(counts);
    if (!r.fits(countBytes, std::size_t(polys) * 2))
        return;
    std::size_t total = 0;
    for (std::size_t i = 0; i < polys; ++i)
        total += leU16(countBytes + 2 * i);
    if (!r.fits(data, total * 4))
        return;
    std::vector<QPolygonF> polygons;
    for (std::size_t i = 0, offset = 0; i < polys; ++i) {
        const std::size_t n = leU16(countBytes + 2 * i);
        polygons.push_back(readPoints(data + offset * 4, n));
        offset += n;
    }
    drawPolyPolygon(polygons);
}

void WmfPlayer::pixelAndPattern(const Record& r)
{
    U_POINT16 pt {}, size {};
    U_COLORREF color {};
    uint32_t rop = 0;
    if (r.type == U_WMR_SETPIXEL && U_WMRSETPIXEL_get(r.p, &color, &pt))
        setPixel(toPoint(pt), toColor(color));
    else if (r.type == U_WMR_PATBLT && U_WMRPATBLT_get(r.p, &pt, &size, &rop))
        fillPattern(mapRect(pt.x, pt.y, pt.x + size.x, pt.y + size.y), rop);
}

void WmfPlayer::text(const Record& r)
{
    if (r.size < 8)
        return;
    const int16_t length = leI16(r.p + 6);
    if (length < 0 || !r.fits(r.p + 8, std::size_t((length + 1) / 2) * 2 + 4))
        return;
    U_POINT16 pt {};
    int16_t len = 0;
    const char* string = nullptr;
    if (U_WMRTEXTOUT_get(r.p, &pt, &len, &string))
        drawText(toPoint(pt), decodeText(QByteArray(string, length)), {}, 0, QRectF());
}

void WmfPlayer::extText(const Record& r)
{
    if (r.size < 14)
        return;
    const int16_t length = leI16(r.p + 10);
    const uint16_t options = leU16(r.p + 12);
    const std::size_t rectBytes =
        (options & (gdi::textout::Opaque | gdi::textout::Clipped)) ? 8 : 0;
    if (length < 0 || !r.fits(r.p + 14, rectBytes + std::size_t(length)))
        return;
    U_POINT16 pt {};
    U_RECT16 box {};
    int16_t len = 0;
    uint16_t opts = 0;
    const char* string = nullptr;
    const int16_t* dxPtr = nullptr;
    if (!U_WMREXTTEXTOUT_get(r.p, &pt, &len, &opts, &string, &dxPtr, &box))
        return;
    std::vector<double> dx;
    const char* dxBytes = reinterpret_cast<const char*>(dxPtr);
    if (dxPtr && length > 0 && r.fits(dxBytes, std::size_t(length) * 2))
        for (int i = 0; i < length; ++i)
            dx.push_back(leI16(dxBytes + 2 * i));
    const QRectF rect = rectBytes ? mapRect(box.left, box.top, box.right, box.bottom) : QRectF();
    if (length == 0) {
        if ((options & gdi::textout::Opaque) && beginDrawing(rect))
            state().painter.fillRect(rect, state().dc.bkColor);
        return;
    }
    drawText(toPoint(pt), decodeText(QByteArray(string, length)), dx, rectBytes ? options : 0,
             rect);
}

// The blits without a bitmap paint with the brush alone.
void WmfPlayer::bitmaps(const Record& r)
{
    U_POINT16 dst {}, dstSize {}, src {}, srcSize {};
    uint16_t usage = 0, scanCount = 0, startScan = 0;
    uint32_t rop = 0;
    const char* dib = nullptr;
    switch (r.type) {
    case U_WMR_STRETCHDIB:
        if (U_WMRSTRETCHDIB_get(r.p, &dst, &dstSize, &src, &srcSize, &usage, &rop, &dib) && dib &&
            r.fits(dib, 0))
            drawDib(dib, std::size_t(r.end() - dib), toPoint(dst), toPoint(dstSize), toPoint(src),
                    toPoint(srcSize), rop, true);
        return;
    case U_WMR_DIBSTRETCHBLT:
    case U_WMR_DIBBITBLT: {
        const bool stretch = r.type == U_WMR_DIBSTRETCHBLT;
        const int ok = stretch
            ? U_WMRDIBSTRETCHBLT_get(r.p, &dst, &dstSize, &src, &srcSize, &rop, &dib)
            : U_WMRDIBBITBLT_get(r.p, &dst, &dstSize, &src, &rop, &dib);
        if (!ok)
            return;
        if (dib && r.fits(dib, 0))
            drawDib(dib, std::size_t(r.end() - dib), toPoint(dst), toPoint(dstSize), toPoint(src),
                    toPoint(stretch ? srcSize : dstSize), rop, false);
        else if (!dib)
            fillPattern(mapRect(dst.x, dst.y, dst.x + dstSize.x, dst.y + dstSize.y), rop);
        return;
    }
    case U_WMR_SETDIBTODEV:
        if (U_WMRSETDIBTODEV_get(r.p, &dst, &dstSize, &src, &usage, &scanCount, &startScan, &dib) &&
            dib && r.fits(dib, 0))
            drawDib(dib, std::size_t(r.end() - dib), toPoint(dst), toPoint(dstSize), toPoint(src),
                    toPoint(dstSize), gdi::rop::SrcCopy, true);
        return;
    }
}

// BitBlt and StretchBlt with an old Bitmap16, or without any bitmap: then the record is one
// word longer than its function's high byte says, an unused word follows the source
// position, and the brush alone paints.
void WmfPlayer::oldBitmaps(const Record& r)
{
    const bool stretch = r.type == U_WMR_STRETCHBLT;
    const std::size_t count = stretch ? 8 : 6, sourceFields = stretch ? 4 : 2;
    const bool withoutBitmap = r.size == std::size_t(2 * ((leU16(r.p + 4) >> 8) + 3));
    const std::size_t header = 10 + 2 * count + (withoutBitmap ? 2 : 0);
    if (r.size < header)
        return;
    // stretch: source height, width, y, x, then destination height, width, y, x;
    // else source y, x, then the common height, width, destination y, x.
    double v[8] = {};
    for (std::size_t i = 0; i < count; ++i)
        v[i] = leI16(r.p + 10 + 2 * i + (withoutBitmap && i >= sourceFields ? 2 : 0));
    const uint32_t rop = leU32(r.p + 6);
    const double* d = v + count - 4;
    const QPointF dst(d[3], d[2]), dstSize(d[1], d[0]);
    if (withoutBitmap) {
        fillPattern(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y()), rop);
        return;
    }
    if (r.size < header + 10)
        return;
    const QPointF src = stretch ? QPointF(v[3], v[2]) : QPointF(v[1], v[0]);
    const QSizeF srcSize = stretch ? QSizeF(v[1], v[0]) : QSizeF(dstSize.x(), dstSize.y());
    const QImage image = bitmap16(r.p + header, r.p + header + 10, r.size - header - 10,
                                  state().dc.textColor.rgb(), state().dc.bkColor.rgb());
    drawImage(image, dst, dstSize, QRectF(src, srcSize), rop);
}

} // namespace plattera::wmf
