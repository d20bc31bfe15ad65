#include <algorithm>
#include <cstring>

#include <QPainter>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"
#include "model/errors.h"

namespace plattera {

namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct IconImage {
    size_t offset = 0;
    size_t length = 0;
    bool png = false;
    long long width = 0;
    long long height = 0;
    int bitsPerPixel = 0;
};

// The image's real size, read from its own header: directories are known to lie.
Check inspect(const unsigned char* data, size_t size, IconImage& image)
{
    const unsigned char* p = data + image.offset;
    if (image.length >= 24 && std::memcmp(p, kPngSignature, 8) == 0) {
        image.png = true;
        image.width = beU32(p + 16);
        image.height = beU32(p + 20);
        image.bitsPerPixel = 32;
        // Sizes are compared as areas below: keep them within what a picture may be.
        return checkPictureSize(image.width, image.height);
    }
    DibSource source {data, size, image.offset, 0, true};
    DibHeader header;
    if (const Check read = readDibHeader(source, header); !read)
        return read;
    image.width = header.width;
    image.height = header.height;
    image.bitsPerPixel = header.bitsPerPixel;
    return checkPictureSize(image.width, image.height);
}

DecodeResult decodePngEntry(const unsigned char* data, const IconImage& entry)
{
    QImage png;
    if (!png.loadFromData(data + entry.offset, int(entry.length), "PNG"))
        return DecodeResult::failure(
            QStringLiteral("The PNG image inside the icon cannot be read"));
    QImage canvas = allocateWhiteImage(png.width(), png.height());
    if (canvas.isNull())
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the icon")));
    QPainter painter(&canvas);
    painter.drawImage(0, 0, png);
    painter.end();
    return decodedPicture(std::move(canvas));
}

// Applies the AND mask (a set bit is transparent) unless 32-bit pixels carry their own alpha,
// then flattens every pixel over white.
void flattenOverWhite(QImage& image, const unsigned char* data, size_t size, size_t maskOffset,
                      const DibHeader& header)
{
    const int width = image.width();
    const int height = image.height();
    const bool topDown = header.topDown;
    bool hasAlpha = false;
    for (int y = 0; y < height && !hasAlpha && header.bitsPerPixel == 32; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) != 0) {
                hasAlpha = true;
                break;
            }
        }
    }
    const size_t maskStride = size_t((width + 31) / 32 * 4);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(y));
        const size_t rowStart = maskOffset + size_t(row) * maskStride;
        // A mask cut short leaves its missing rows opaque.
        const unsigned char* mask = rowStart + maskStride <= size ? data + rowStart : nullptr;
        for (int x = 0; x < width; ++x) {
            int alpha = 255;
            if (hasAlpha)
                alpha = qAlpha(pixels[x]);
            else if (mask && (mask[x / 8] & (0x80 >> (x % 8))))
                alpha = 0;
            const QRgb c = pixels[x];
            const auto over = [alpha](int v) {
                return (v * alpha + 255 * (255 - alpha) + 127) / 255;
            };
            pixels[x] = qRgb(over(qRed(c)), over(qGreen(c)), over(qBlue(c)));
        }
    }
}

DecodeResult decodeDibEntry(const unsigned char* data, size_t size, const IconImage& entry)
{
    DibSource source {data, size, entry.offset, 0, true};
    size_t maskOffset = 0;
    DecodeResult result = decodeDib(source, true, &maskOffset);
    if (!result.ok())
        return result;
    DibHeader header;
    readDibHeader(source, header);
    flattenOverWhite(result->image, data, size, maskOffset, header);
    return result;
}

} // namespace

// The largest image of the icon (the deepest among equals), drawn over white.
DecodeResult decodeIco(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const size_t size = size_t(data.size());
    if (size < 6 || leU16(bytes) != 0 || (leU16(bytes + 2) != 1 && leU16(bytes + 2) != 2))
        return DecodeResult::failure(QStringLiteral("Not an icon file"));
    const size_t count = leU16(bytes + 4);
    if (count == 0)
        return DecodeResult::failure(QStringLiteral("The icon file holds no image"));
    if ((size - 6) / 16 < count)
        return DecodeResult::failure(QStringLiteral("The icon directory is cut short"));

    IconImage best;
    bool found = false;
    QString problem;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* entry = bytes + 6 + 16 * i;
        IconImage image;
        image.offset = leU32(entry + 12);
        if (image.offset >= size) {
            problem = QStringLiteral("An icon image lies outside the file");
            continue;
        }
        image.length = std::min<size_t>(leU32(entry + 8), size - image.offset);
        if (const Check entry = inspect(bytes, size, image); !entry) {
            problem = entry.reason();
            continue;
        }
        const long long area = image.width * image.height;
        const long long bestArea = best.width * best.height;
        if (!found || area > bestArea ||
            (area == bestArea && image.bitsPerPixel > best.bitsPerPixel)) {
            best = image;
            found = true;
        }
    }
    if (!found)
        return DecodeResult::failure(
            problem.isEmpty() ? QStringLiteral("The icon file holds no readable image") : problem);
    return best.png ? decodePngEntry(bytes, best) : decodeDibEntry(bytes, size, best);
}

} // namespace plattera
