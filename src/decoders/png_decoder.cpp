#include <cstring>

#include <QScopeGuard>

#include <png.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"

namespace plattera {

namespace {

QString pngMessage(const png_image& png)
{
    const QString message = QString::fromLatin1(png.message).trimmed();
    return message.isEmpty() ? QStringLiteral("the PNG data is damaged") : message;
}

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// libpng takes memory for a text chunk's whole claimed length before reading it, so a few bytes
// could ask for gigabytes. No chunk can be longer than what follows it in the file: every
// length is checked before libpng sees the data.
QString checkChunkLengths(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    if (data.size() < 8 || std::memcmp(bytes, kPngSignature, 8) != 0)
        return QString(); // not a PNG: libpng words that
    for (qsizetype at = 8; at + 8 <= data.size();) {
        const qint64 length = beU32(bytes + at);
        if (length > data.size() - at - 12)
            return QStringLiteral("a chunk claims %1 bytes, more than the file holds").arg(length);
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            break;
        at += 12 + length;
    }
    return QString();
}

} // namespace

// libpng's simplified reader keeps its setjmp to itself: a damaged file comes back as a false
// return with libpng's message, warnings stay in that message instead of reaching stderr, and
// nothing unwinds through our frames. Palette, grey, 16-bit, interlaced and gamma-tagged files
// all arrive as 8-bit sRGB. The chunks of an animated PNG are not known to Debian's libpng, so
// it reads the default image, which is what a viewer without animation shows.
DecodeResult decodePng(const QByteArray& data)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    // Safe after libpng has already freed its state on a failure.
    const auto release = qScopeGuard([&png] { png_image_free(&png); });

    if (const QString problem = checkChunkLengths(data); !problem.isEmpty())
        return DecodeResult::failure(problem);
    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return DecodeResult::failure(pngMessage(png));
    // Only the header has been read: refuse an absurd size before any pixel memory is taken.
    const QString sizeProblem = checkPictureSize(png.width, png.height, data.size());
    if (!sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);

    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull())
        return DecodeResult::failure(QStringLiteral("Not enough memory to decode the PNG picture"));
    // Format_ARGB32 is one 0xAARRGGBB word per pixel: B, G, R, A in memory on little-endian.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
        return DecodeResult::failure(pngMessage(png));
    return DecodeResult::success(flattenOverWhite(std::move(image)));
}

} // namespace plattera
