// Reads a Windows metafile: the placeable and standard headers give the picture's size,
// then the WMF player draws the records.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <uwmf.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"
#include "decoders/wmf_player.h"

namespace plattera {
namespace wmf {

using namespace metafile;

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

constexpr double kTwipsPerInch = 1440;

// The logical rectangle the records draw in, when they are played unscaled.
QRectF drawnExtent(const char* records, const char* end, int objects)
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    WmfPlayer player(scratch, QRectF(0, 0, 1, 1), objects);
    player.measureOnly();
    player.play(records, end);
    return player.drawnBounds();
}

Check readGeometry(const QByteArray& data, int ppi, Geometry* geometry)
{
    const char* begin = data.constData();
    const char* end = begin + data.size();
    if (data.size() < 18)
        return Check::failure(QStringLiteral("The file is too short to be a metafile."));
    U_WMRPLACEABLE placeable {};
    U_WMRHEADER header {};
    const int headerBytes = wmfheader_get(begin, end, &placeable, &header);
    const bool hasPlaceable = placeable.Key == 0x9AC6CDD7;
    const char* headerStart = begin + (hasPlaceable ? U_SIZE_WMRPLACEABLE : 0);
    if (headerBytes <= 0 || end - headerStart < U_SIZE_WMRHEADER)
        return Check::failure(
            QStringLiteral("The file is not a metafile or its header is damaged."));
    if ((header.iType != 1 && header.iType != 2) || header.Size16w != 9 ||
        (header.version != 0x0100 && header.version != 0x0300))
        return Check::failure(QStringLiteral("The file is not a metafile (unknown header)."));
    geometry->objects = header.nObjects;
    geometry->records = headerStart + 2 * header.Size16w;

    long long width = 0, height = 0;
    if (hasPlaceable) {
        const U_RECT16& box = placeable.Dst;
        if (placeable.Inch == 0)
            return Check::failure(QStringLiteral("The metafile header gives zero units per inch."));
        width = std::llround(std::abs(double(box.right) - box.left) * ppi / placeable.Inch);
        height = std::llround(std::abs(double(box.bottom) - box.top) * ppi / placeable.Inch);
        geometry->frame =
            QRectF(QPointF(box.left, box.top), QPointF(box.right, box.bottom)).normalized();
    } else {
        // No stated size: the window extent in twips, as other programs take it, or else
        // what the records draw, in pixels of a 96-dpi screen.
        QPointF extent;
        if (firstWindowExtent(geometry->records, end, &extent)) {
            geometry->frame = QRectF(0, 0, std::abs(extent.x()), std::abs(extent.y()));
            width = std::llround(std::ceil(geometry->frame.width() * ppi / kTwipsPerInch));
            height = std::llround(std::ceil(geometry->frame.height() * ppi / kTwipsPerInch));
        } else {
            geometry->frame = drawnExtent(geometry->records, end, geometry->objects);
            if (geometry->frame.isEmpty())
                return Check::failure(
                    QStringLiteral("The metafile has no placeable header, sets no window extent "
                                   "and draws nothing, so it has no size."));
            width = std::max(1LL, std::llround(geometry->frame.width() * ppi / 96));
            height = std::max(1LL, std::llround(geometry->frame.height() * ppi / 96));
        }
    }
    if (width == 0 || height == 0)
        return Check::failure(QStringLiteral("The metafile has an empty size (%1 x %2 pixels).")
                                  .arg(width)
                                  .arg(height));
    geometry->size = metafileDrawingSize(width, height);
    return Done();
}

} // namespace
} // namespace wmf

DecodeResult decodeWmf(const QByteArray& data, int ppi)
{
    wmf::Geometry geometry;
    return metafile::decodeMetafile(
        ppi,
        [&](QSize* size) {
            const Check read = wmf::readGeometry(data, ppi, &geometry);
            *size = geometry.size;
            return read;
        },
        [&](QImage& image) {
            wmf::WmfPlayer player(image, geometry.frame, geometry.objects);
            return player.play(geometry.records, data.constData() + data.size());
        });
}

} // namespace plattera
