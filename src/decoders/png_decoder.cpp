#include <cstring>
#include <vector>

#include <QScopeGuard>

#include <png.h>
#include <zlib.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"

namespace plattera {

namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct Chunk {
    QByteArray type;
    const char* data;
    qint64 length;
};

// The file's chunks up to IEND. libpng takes memory for a text chunk's whole claimed length
// before reading it, so a few bytes could ask for gigabytes: no chunk may be longer than what
// follows it in the file, and every length is checked before libpng sees the data.
QString listChunks(const QByteArray& data, std::vector<Chunk>& chunks)
{
    for (qsizetype at = 8; at + 8 <= data.size();) {
        const qint64 length = beU32(data.constData() + at);
        if (length > data.size() - at - 12)
            return QStringLiteral("a chunk claims %1 bytes, more than the file holds").arg(length);
        chunks.push_back({data.mid(at + 4, 4), data.constData() + at + 8, length});
        if (chunks.back().type == "IEND")
            break;
        at += 12 + length;
    }
    return QString();
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& payload)
{
    const auto bigEndian = [](quint32 v) {
        const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    const QByteArray body = QByteArray(type, 4) + payload;
    png += bigEndian(quint32(payload.size())) + body;
    png += bigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// Where the first frame of an animated PNG lies on its canvas.
struct FramePlace {
    int x = 0;
    int y = 0;
};

// An animated PNG whose default image is not part of the animation (no fcTL before IDAT) keeps
// its first frame in fdAT chunks that Debian's libpng does not know. That frame is rebuilt as a
// PNG of its own: the header with the frame's size, the chunks before IDAT (palette,
// transparency, colour space), the fdAT data as IDAT. Empty when the default image is the first
// frame, as it is in most files and in every still picture.
QByteArray hiddenFirstFrame(const std::vector<Chunk>& chunks, FramePlace& place, QString& problem)
{
    bool animated = false;
    qsizetype firstData = -1;
    for (qsizetype i = 0; i < qsizetype(chunks.size()) && firstData < 0; ++i) {
        if (chunks[size_t(i)].type == "fcTL")
            return QByteArray();
        animated = animated || chunks[size_t(i)].type == "acTL";
        if (chunks[size_t(i)].type == "IDAT")
            firstData = i;
    }
    if (!animated || firstData < 1 || chunks.front().type != "IHDR" || chunks.front().length != 13)
        return QByteArray();

    QByteArray frame(reinterpret_cast<const char*>(kPngSignature), 8);
    qsizetype i = firstData;
    while (i < qsizetype(chunks.size()) && chunks[size_t(i)].type != "fcTL")
        ++i;
    if (i == qsizetype(chunks.size()) || chunks[size_t(i)].length < 26) {
        problem = QStringLiteral("the animated PNG has no first frame");
        return QByteArray();
    }
    const char* control = chunks[size_t(i)].data;
    place = {int(beU32(control + 12) & 0x7fffffff), int(beU32(control + 16) & 0x7fffffff)};
    QByteArray header(chunks.front().data, 13);
    header.replace(0, 8, QByteArray(control + 4, 8)); // the frame's width and height
    appendChunk(frame, "IHDR", header);
    for (qsizetype k = 1; k < firstData; ++k) {
        const Chunk& c = chunks[size_t(k)];
        if (c.type != "acTL")
            appendChunk(frame, c.type.constData(), QByteArray(c.data, c.length));
    }
    for (++i; i < qsizetype(chunks.size()) && chunks[size_t(i)].type == "fdAT"; ++i) {
        const Chunk& c = chunks[size_t(i)];
        if (c.length > 4) // after its sequence number, an fdAT holds what an IDAT would
            appendChunk(frame, "IDAT", QByteArray(c.data + 4, c.length - 4));
    }
    appendChunk(frame, "IEND", QByteArray());
    return frame;
}

QString pngMessage(const png_image& png)
{
    const QString message = QString::fromLatin1(png.message).trimmed();
    return message.isEmpty() ? QStringLiteral("the PNG data is damaged") : message;
}

// libpng's simplified reader keeps its setjmp to itself: a damaged file comes back as a false
// return with libpng's message, warnings stay in that message instead of reaching stderr, and
// nothing unwinds through our frames. Palette, grey, 16-bit, interlaced and gamma-tagged files
// all arrive as 8-bit sRGB, into a straight-alpha Format_ARGB32 image.
DecodeResult readPng(const QByteArray& data, long long fileBytes)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    // Safe after libpng has already freed its state on a failure.
    const auto release = qScopeGuard([&png] { png_image_free(&png); });

    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return DecodeResult::failure(pngMessage(png));
    // Only the header has been read: refuse an absurd size before any pixel memory is taken.
    const QString sizeProblem = checkPictureSize(png.width, png.height, fileBytes);
    if (!sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);

    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull())
        return DecodeResult::failure(QStringLiteral("Not enough memory to decode the PNG picture"));
    // Format_ARGB32 is one 0xAARRGGBB word per pixel: B, G, R, A in memory on little-endian.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
        return DecodeResult::failure(pngMessage(png));
    return DecodeResult::success(std::move(image));
}

} // namespace

DecodeResult decodePng(const QByteArray& data)
{
    if (data.size() < 8 || std::memcmp(data.constData(), kPngSignature, 8) != 0)
        return DecodeResult::failure(QStringLiteral("Not a PNG file"));
    std::vector<Chunk> chunks;
    QString problem = listChunks(data, chunks);
    FramePlace place;
    const QByteArray frame = problem.isEmpty() ? hiddenFirstFrame(chunks, place, problem) : QByteArray();
    if (!problem.isEmpty())
        return DecodeResult::failure(problem);
    if (frame.isEmpty()) {
        DecodeResult result = readPng(data, data.size());
        if (result.ok())
            result.image = flattenOverWhite(std::move(result.image));
        return result;
    }

    // The canvas is the default image's size; the frame is drawn on it, transparent around.
    const qint64 width = beU32(chunks.front().data), height = beU32(chunks.front().data + 4);
    if (const QString sizeProblem = checkPictureSize(width, height, data.size()); !sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);
    DecodeResult result = readPng(frame, data.size());
    if (!result.ok())
        return result;
    if (place.x + qint64(result.image.width()) > width || place.y + qint64(result.image.height()) > height)
        return DecodeResult::failure(QStringLiteral("the first frame of the animated PNG lies outside the picture"));
    QImage canvas(int(width), int(height), QImage::Format_ARGB32);
    if (canvas.isNull())
        return DecodeResult::failure(QStringLiteral("Not enough memory to decode the PNG picture"));
    canvas.fill(Qt::transparent);
    for (int y = 0; y < result.image.height(); ++y) {
        std::memcpy(canvas.scanLine(place.y + y) + 4 * place.x, result.image.constScanLine(y),
                    size_t(result.image.width()) * 4);
    }
    return DecodeResult::success(flattenOverWhite(std::move(canvas)));
}

} // namespace plattera
