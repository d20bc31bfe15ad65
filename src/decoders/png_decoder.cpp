#include <cstring>

#include <QScopeGuard>

#include <png.h>
#include <zlib.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"

namespace plattera {

namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct Chunk {
    const char* type;
    const char* data;
    qint64 length;
    qsizetype next; // where the following chunk starts
    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// The chunk at `at`, when all of it lies within the file.
bool readChunk(const QByteArray& data, qsizetype at, Chunk& chunk)
{
    if (at + 12 > data.size())
        return false;
    const qint64 length = beU32(data.constData() + at);
    if (length > data.size() - at - 12)
        return false;
    chunk = {data.constData() + at + 4, data.constData() + at + 8, length,
             at + 12 + qsizetype(length)};
    return true;
}

// libpng takes memory for a text chunk's whole claimed length before reading it, so a few bytes
// could ask for gigabytes. No chunk can be longer than what follows it in the file: every
// length up to IEND is checked before libpng sees the data.
QString checkChunkLengths(const QByteArray& data)
{
    Chunk chunk {};
    for (qsizetype at = 8; at + 8 <= data.size(); at = chunk.next) {
        if (!readChunk(data, at, chunk)) {
            return QStringLiteral("a chunk claims %1 bytes, more than the file holds")
                .arg(qint64(beU32(data.constData() + at)));
        }
        if (chunk.is("IEND"))
            break;
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
    png += bigEndian(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// Where the first frame of an animated PNG lies on its canvas, and the canvas's size.
struct FramePlace {
    int x = 0;
    int y = 0;
    qint64 canvasWidth = 0;
    qint64 canvasHeight = 0;
};

// An animated PNG whose default image is not part of the animation (no fcTL before IDAT) keeps
// its first frame in fdAT chunks that Debian's libpng does not know. That frame is rebuilt as a
// PNG of its own: the header with the frame's size, the chunks before IDAT (palette,
// transparency, colour space), the fdAT data as IDAT. Empty when the default image is the first
// frame, as it is in most files and in every still picture. The chunks are walked, never
// listed: a file of millions of empty chunks must not cost more than its own size.
QByteArray hiddenFirstFrame(const QByteArray& data, FramePlace& place, QString& problem)
{
    Chunk header {}, chunk {};
    if (!readChunk(data, 8, header) || !header.is("IHDR") || header.length != 13)
        return QByteArray();
    bool animated = false;
    qsizetype firstData = -1;
    for (qsizetype at = header.next; firstData < 0 && readChunk(data, at, chunk); at = chunk.next) {
        if (chunk.is("fcTL"))
            return QByteArray();
        animated = animated || chunk.is("acTL");
        if (chunk.is("IDAT"))
            firstData = at;
    }
    if (!animated || firstData < 0)
        return QByteArray();

    qsizetype at = firstData;
    while (readChunk(data, at, chunk) && !chunk.is("fcTL") && !chunk.is("IEND"))
        at = chunk.next;
    if (at >= data.size() || !chunk.is("fcTL") || chunk.length < 26) {
        problem = QStringLiteral("the animated PNG has no first frame");
        return QByteArray();
    }
    place = {int(beU32(chunk.data + 12) & 0x7fffffff), int(beU32(chunk.data + 16) & 0x7fffffff),
             beU32(header.data), beU32(header.data + 4)};
    // Checked before the frame is decoded, so no memory goes to a frame that cannot be shown.
    if (place.x + qint64(beU32(chunk.data + 4)) > place.canvasWidth ||
        place.y + qint64(beU32(chunk.data + 8)) > place.canvasHeight) {
        problem = QStringLiteral("the first frame of the animated PNG lies outside the picture");
        return QByteArray();
    }
    QByteArray frame(reinterpret_cast<const char*>(kPngSignature), 8);
    QByteArray frameHeader(header.data, 13);
    frameHeader.replace(0, 8, QByteArray(chunk.data + 4, 8)); // the frame's width and height
    appendChunk(frame, "IHDR", frameHeader);
    const qsizetype frameData = chunk.next;
    for (at = header.next; at < firstData && readChunk(data, at, chunk); at = chunk.next) {
        if (!chunk.is("acTL"))
            appendChunk(frame, chunk.type, QByteArray(chunk.data, chunk.length));
    }
    for (at = frameData; readChunk(data, at, chunk) && chunk.is("fdAT"); at = chunk.next) {
        if (chunk.length > 4) // after its sequence number, an fdAT holds what an IDAT would
            appendChunk(frame, "IDAT", QByteArray(chunk.data + 4, chunk.length - 4));
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
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()),
                               nullptr))
        return DecodeResult::failure(pngMessage(png));
    return DecodeResult::success(std::move(image));
}

} // namespace

DecodeResult decodePng(const QByteArray& data)
{
    if (data.size() < 8 || std::memcmp(data.constData(), kPngSignature, 8) != 0)
        return DecodeResult::failure(QStringLiteral("Not a PNG file"));
    QString problem = checkChunkLengths(data);
    FramePlace place;
    const QByteArray frame =
        problem.isEmpty() ? hiddenFirstFrame(data, place, problem) : QByteArray();
    if (!problem.isEmpty())
        return DecodeResult::failure(problem);
    if (frame.isEmpty()) {
        DecodeResult result = readPng(data, data.size());
        if (result.ok())
            result.image = flattenOverWhite(std::move(result.image));
        return result;
    }

    // The canvas is the default image's size; the frame is drawn on it, transparent around.
    const QString sizeProblem =
        checkPictureSize(place.canvasWidth, place.canvasHeight, data.size());
    if (!sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);
    DecodeResult result = readPng(frame, data.size());
    if (!result.ok())
        return result;
    if (place.x + qint64(result.image.width()) > place.canvasWidth ||
        place.y + qint64(result.image.height()) >
            place.canvasHeight) // libpng read the size we gave it
        return DecodeResult::failure(
            QStringLiteral("the first frame of the animated PNG lies outside the picture"));
    QImage canvas(int(place.canvasWidth), int(place.canvasHeight), QImage::Format_ARGB32);
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
