#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include <QScopeGuard>

#include <png.h>
#include <zlib.h>

#include "decoders/bounded_canvas.h"
#include "decoders/byte_order.h"
#include "decoders/decode_result.h"
#include "model/errors.h"

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
Check checkChunkLengths(const QByteArray& data)
{
    Chunk chunk {};
    for (qsizetype at = 8; at + 8 <= data.size(); at = chunk.next) {
        if (!readChunk(data, at, chunk)) {
            return Check::failure(
                QStringLiteral("a chunk claims %1 bytes, more than the file holds")
                    .arg(qint64(beU32(data.constData() + at))));
        }
        if (chunk.is("IEND"))
            break;
    }
    return Done();
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
Outcome<QByteArray> hiddenFirstFrame(const QByteArray& data, FramePlace& place)
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
        return Outcome<QByteArray>::failure(QStringLiteral("the animated PNG has no first frame"));
    }
    place = {int(beU32(chunk.data + 12) & 0x7fffffff), int(beU32(chunk.data + 16) & 0x7fffffff),
             beU32(header.data), beU32(header.data + 4)};
    // Checked before the frame is decoded, so no memory goes to a frame that cannot be shown.
    if (place.x + qint64(beU32(chunk.data + 4)) > place.canvasWidth ||
        place.y + qint64(beU32(chunk.data + 8)) > place.canvasHeight) {
        return Outcome<QByteArray>::failure(
            QStringLiteral("the first frame of the animated PNG lies outside the picture"));
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

// 64 KiB of the file at a time: whatever follows the last row, libpng is handed at most this
// much of it.
constexpr size_t kFeedBytes = 64 * 1024;

// What libpng's progressive reader and its callbacks share. It lives in readPng's frame, out of
// the jump's reach; the callbacks run inside libpng's C frames, so they never throw and are
// done with every C++ object of their own before they call png_error.
struct PngRead {
    qint64 fileBytes = 0;
    const FramePlace* place = nullptr; // the frame's place on its canvas, or none
    std::optional<BoundedCanvas> canvas;
    std::vector<QRgb> row; // aligned copy of libpng's row
    png_uint_32 width = 0;
    bool interlaced = false;
    bool started = false;
    qint64 rowsLeft = 0;
    QString problem;        // our own reason to stop libpng
    char message[256] = {}; // libpng's reason

    bool start(png_structp png, png_infop info);
    void putRow(const png_byte* data, png_uint_32 number, int pass);
};

// The transforms that give 8-bit sRGB with straight alpha: palette and tRNS expanded, grey
// made colour, an opaque alpha added where there is none. A file without colour information
// is sRGB at any depth, so 16-bit samples become value / 257, rounded (as every other reader
// shows them); a gAMA chunk is still corrected to sRGB. libpng's simplified reader took such
// 16-bit files as linear light, which showed a mid grey of 120 as 181. The interlacing is
// left to us (that reader got the rows of the first six passes of 16-bit pictures wrong).
void setTransforms(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    const bool alpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    constexpr bool kLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    png_set_expand(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    if (!alpha)
        png_set_add_alpha(png, 0xff, kLittleEndian ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
    // Format_ARGB32 is one 0xAARRGGBB word per pixel: B, G, R, A in memory on little-endian.
    if (kLittleEndian)
        png_set_bgr(png);
    else if (alpha)
        png_set_swap_alpha(png);
}

bool PngRead::start(png_structp png, png_infop info)
{
    width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    // Only the header has been read: refuse an absurd size before any pixel memory is taken.
    if (const Check size = checkPictureSize(width, height, fileBytes); !size) {
        problem = size.reason();
        return false;
    }
    interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
    rowsLeft = interlaced ? 0 : height;
    for (int pass = 0; interlaced && pass < 7; ++pass)
        rowsLeft += PNG_PASS_COLS(width, pass) > 0 ? PNG_PASS_ROWS(height, pass) : 0;
    setTransforms(png, info);
    const QSize canvasSize = place ? QSize(int(place->canvasWidth), int(place->canvasHeight))
                                   : QSize(int(width), int(height));
    canvas.emplace(canvasSize, interlaced);
    try {
        row.resize(width);
    } catch (const std::bad_alloc&) {
        canvas.reset();
    }
    if (!canvas || canvas->isNull()) {
        problem = notEnoughMemoryTo(QStringLiteral("decode the PNG picture"));
        return false;
    }
    started = true;
    return true;
}

void PngRead::putRow(const png_byte* data, png_uint_32 number, int pass)
{
    if (data == nullptr || rowsLeft == 0)
        return;
    int y = int(number), x0 = 0, step = 1, count = int(width);
    if (interlaced) {
        y = int(PNG_ROW_FROM_PASS_ROW(number, pass));
        x0 = int(PNG_PASS_START_COL(pass));
        step = 1 << PNG_PASS_COL_SHIFT(pass);
        count = int(PNG_PASS_COLS(width, pass));
    }
    std::memcpy(row.data(), data, size_t(count) * 4);
    if (place) {
        x0 += place->x;
        y += place->y;
    }
    canvas->putRow(y, x0, step, row.data(), count);
    --rowsLeft;
}

extern "C" void pngError(png_structp png, png_const_charp message)
{
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    qstrncpy(read->message, message, sizeof read->message);
    png_longjmp(png, 1);
}

// Warnings (extra data, a benign error) are no failure and never reach stderr.
extern "C" void pngWarning(png_structp, png_const_charp) { }

extern "C" void pngHeader(png_structp png, png_infop info)
{
    if (!static_cast<PngRead*>(png_get_progressive_ptr(png))->start(png, info))
        png_error(png, "stopped");
    png_read_update_info(png, info);
}

extern "C" void pngRow(png_structp png, png_bytep data, png_uint_32 number, int pass)
{
    static_cast<PngRead*>(png_get_progressive_ptr(png))->putRow(data, number, pass);
}

// Hands libpng the file a piece at a time until every row is in; libpng's own reader would
// inflate the rest of the image data to its end, and a few megabytes of a file can inflate to
// gigabytes. False when libpng stopped with an error. Nothing alive here outlives a jump.
bool feedPng(png_structp png, png_infop info, const PngRead* read, const unsigned char* data,
             size_t size)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (size_t at = 0; at < size && !(read->started && read->rowsLeft == 0); at += kFeedBytes)
        png_process_data(png, info, const_cast<png_bytep>(data + at),
                         std::min(kFeedBytes, size - at));
    return true;
}

// Decodes the PNG onto a canvas of its own size, or, given a place, onto that canvas.
DecodeResult readPng(const QByteArray& data, long long fileBytes, const FramePlace* place)
{
    PngRead read;
    read.fileBytes = fileBytes;
    read.place = place;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const auto release =
        qScopeGuard([&png, &info] { png_destroy_read_struct(&png, &info, nullptr); });
    if (info == nullptr)
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the PNG picture")));
    png_set_benign_errors(png, 1);
    png_set_progressive_read_fn(png, &read, pngHeader, pngRow, nullptr);
    const bool fed =
        feedPng(png, info, &read, reinterpret_cast<const unsigned char*>(data.constData()),
                size_t(data.size()));
    if (!read.problem.isEmpty())
        return DecodeResult::failure(read.problem);
    if (!fed) {
        const QString message = QString::fromLatin1(read.message).trimmed();
        return DecodeResult::failure(message.isEmpty() ? QStringLiteral("the PNG data is damaged")
                                                       : message);
    }
    if (!read.started || read.rowsLeft > 0)
        return DecodeResult::failure(QStringLiteral("the PNG data ends before the picture does"));
    return read.canvas->finish();
}

} // namespace

DecodeResult decodePng(const QByteArray& data)
{
    if (data.size() < 8 || std::memcmp(data.constData(), kPngSignature, 8) != 0)
        return DecodeResult::failure(QStringLiteral("Not a PNG file"));
    if (const Check chunks = checkChunkLengths(data); !chunks)
        return DecodeResult::failure(chunks.reason());
    FramePlace place;
    const Outcome<QByteArray> frame = hiddenFirstFrame(data, place);
    if (!frame)
        return DecodeResult::failure(frame.reason());
    if (frame->isEmpty())
        return readPng(data, data.size(), nullptr);

    // The canvas is the default image's size; the frame is drawn on it, transparent around.
    if (const Check size = checkPictureSize(place.canvasWidth, place.canvasHeight, data.size());
        !size)
        return DecodeResult::failure(size.reason());
    return readPng(frame.value(), data.size(), &place);
}

} // namespace plattera
