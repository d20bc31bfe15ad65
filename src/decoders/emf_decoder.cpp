// Reads an enhanced metafile: the header's frame gives the picture's size, then each record,
// once libuemf has checked that its counts and offsets stay inside it, is handed to the
// shared metafile player, which draws it with QPainter. EMF+ comments are skipped: files
// that carry them also carry the plain records that draw the same picture.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <uemf.h>
#include <uemf_endian.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"
#include "decoders/emf_player.h"

namespace plattera {
namespace emf {
namespace {

constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr size_t kMinHeaderSize = 88;

Check notAMetafile()
{
    return Check::failure(QStringLiteral("Not a valid enhanced metafile"));
}

Check readHeader(const QByteArray& data, int ppi, Header* header)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const size_t size = size_t(data.size());
    if (size < kMinHeaderSize || leU32(bytes) != U_EMR_HEADER || leU32(bytes + 40) != kEmfSignature)
        return notAMetafile();
    const uint32_t headerSize = leU32(bytes + 4);
    if (headerSize < kMinHeaderSize || headerSize > size || headerSize % 4 != 0)
        return notAMetafile();
    header->headerSize = headerSize;

    // rclFrame is in hundredths of a millimetre.
    const double frameLeft = leI32(bytes + 24), frameTop = leI32(bytes + 28);
    const double frameWidth = double(leI32(bytes + 32)) - frameLeft;
    const double frameHeight = double(leI32(bytes + 36)) - frameTop;
    const long long width = std::llround(frameWidth / 100.0 / 25.4 * ppi);
    const long long height = std::llround(frameHeight / 100.0 / 25.4 * ppi);
    if (width <= 0 || height <= 0)
        return checkPictureSize(width, height);
    header->size = metafileDrawingSize(width, height);
    header->handles = int(leU16(bytes + 56));

    // The reference device's pixels per millimetre place the frame among the records'
    // device units; the micrometre size, where present and agreeing, is the more precise.
    double mmX = leI32(bytes + 80), mmY = leI32(bytes + 84);
    if (headerSize >= 108) {
        const double umX = leI32(bytes + 100) / 1000.0, umY = leI32(bytes + 104) / 1000.0;
        if (std::abs(umX - mmX) < 1 && std::abs(umY - mmY) < 1 && umX > 0 && umY > 0) {
            mmX = umX;
            mmY = umY;
        }
    }
    const double pixelsX = leI32(bytes + 72), pixelsY = leI32(bytes + 76);
    const QRectF bounds = QRectF(QPointF(leI32(bytes + 8), leI32(bytes + 12)),
                                 QPointF(leI32(bytes + 16) + 1.0, leI32(bytes + 20) + 1.0));
    QRectF frame;
    if (mmX > 0 && mmY > 0 && pixelsX > 0 && pixelsY > 0) {
        header->devicePerMm = QPointF(pixelsX / mmX, pixelsY / mmY);
        frame = QRectF(frameLeft / 100 * header->devicePerMm.x(),
                       frameTop / 100 * header->devicePerMm.y(),
                       frameWidth / 100 * header->devicePerMm.x(),
                       frameHeight / 100 * header->devicePerMm.y());
        // Some writers put the frame at the origin whatever the drawing's device position:
        // bounds of the frame's size lying elsewhere tell where the picture is. Bounds of
        // another size are no guide: they may count a stroke's overhang, or be written in
        // logical units.
        const auto sameSize = [](double a, double b) {
            return std::abs(a - b) <= 0.05 * std::max(a, b) + 2;
        };
        if (sameSize(bounds.width(), frame.width()) && sameSize(bounds.height(), frame.height()) &&
            !frame.adjusted(-4, -4, 4, 4).contains(bounds))
            frame = bounds;
    } else {
        // No usable device: take the bounds, which are in device units already.
        header->devicePerMm = QPointF(96 / 25.4, 96 / 25.4);
        frame = bounds;
    }
    const double kx = header->size.width() / frame.width(),
                 ky = header->size.height() / frame.height();
    header->deviceToImage = QTransform(kx, 0, 0, ky, -frame.x() * kx, -frame.y() * ky);
    return Done();
}

} // namespace
} // namespace emf

DecodeResult decodeEmf(const QByteArray& data, int ppi)
{
    emf::Header header;
    return metafile::decodeMetafile(
        ppi,
        [&](QSize* size) {
            const Check read = emf::readHeader(data, ppi, &header);
            *size = header.size;
            return read;
        },
        [&](QImage& image) {
            emf::EmfPlayer player(image, header);
            return player.play(data.constData() + header.headerSize,
                               data.constData() + data.size());
        });
}

} // namespace plattera
