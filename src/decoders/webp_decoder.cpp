#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"
#include "model/errors.h"

namespace plattera {

namespace {

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

// Releases the frame iterator on every way out.
struct FrameIterator {
    WebPIterator frame {};
    bool held = false;
    ~FrameIterator()
    {
        if (held)
            WebPDemuxReleaseIterator(&frame);
    }
};

// libwebp reports a status code and no text.
QString statusMessage(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return notEnoughMemoryTo(QStringLiteral("decode the WebP picture"));
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return QStringLiteral("the WebP picture uses a feature this reader does not know");
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return QStringLiteral("the WebP data is cut short");
    default:
        return QStringLiteral("the WebP data is damaged");
    }
}

bool isChunk(const char* at, const char* type)
{
    return std::memcmp(at, type, 4) == 0;
}

// The file with only the chunks that make its first picture: the header chunks, then the
// first still image or animation frame. The demuxer keeps a note of every chunk it walks past,
// so a file of millions of empty chunks would cost seconds and gigabytes; metadata and later
// frames are never shown anyway. The file as it is when nothing needs leaving out; a chunk
// that runs past the end is kept, for the demuxer to find the file cut short.
QByteArray firstPictureOnly(const QByteArray& data)
{
    if (data.size() < 12 || !isChunk(data.constData(), "RIFF"))
        return data;
    // Chunks end where the RIFF header says the file does.
    const qsizetype limit =
        qsizetype(std::min<qint64>(data.size(), 8 + leU32(data.constData() + 4)));
    std::vector<std::pair<qsizetype, qsizetype>> kept; // from, to
    qsizetype end = 12;
    for (qsizetype at = 12; at + 8 <= limit; at = end) {
        const char* chunk = data.constData() + at;
        const qint64 length = leU32(chunk + 4);
        end = length > limit - at - 8
            ? limit
            : std::min(limit, at + 8 + qsizetype(length) + qsizetype(length & 1));
        const bool picture =
            isChunk(chunk, "VP8 ") || isChunk(chunk, "VP8L") || isChunk(chunk, "ANMF");
        if (picture || isChunk(chunk, "VP8X") || isChunk(chunk, "ANIM") || isChunk(chunk, "ALPH"))
            kept.emplace_back(at, end);
        if (picture)
            break;
    }
    qsizetype keptBytes = 12;
    for (const auto& [from, to] : kept)
        keptBytes += to - from;
    if (keptBytes == limit || kept.empty())
        return data;
    QByteArray picture = data.left(12);
    for (const auto& [from, to] : kept)
        picture += QByteArrayView(data.constData() + from, to - from);
    const quint32 riffSize = quint32(picture.size() - 8);
    for (int i = 0; i < 4; ++i)
        picture[4 + i] = char(riffSize >> (8 * i));
    return picture;
}

// Where an edge at `position` of a side `from` long falls on that side shrunk to `to`.
int scaledEdge(qint64 position, qint64 from, qint64 to)
{
    return int((position * to + from / 2) / from);
}

} // namespace

// The demuxer reads the container (still, extended or animated) and hands out the first frame's
// bitstream and its place on the canvas; the canvas is transparent around it, so it comes out
// white as a GIF's logical screen does. libwebp neither aborts nor jumps: every failure is a
// status value.
//
// A canvas larger than the largest place a picture is drawn is decoded at no more than that on
// each side: libwebp shrinks the frame as it decodes it, each pixel of the result the mean of
// the area it covers (the frame's place on the canvas shrinks with it). A lossless frame still
// takes its own size in libwebp's memory while it is decoded, since the format may refer back
// to any pixel before.
DecodeResult decodeWebp(const QByteArray& file)
{
    const QByteArray data = firstPictureOnly(file);
    const WebPData bytes {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&bytes, &state));
    if (!demuxer || state == WEBP_DEMUX_PARSE_ERROR)
        return DecodeResult::failure(QStringLiteral("not a WebP file, or its data is damaged"));
    if (state != WEBP_DEMUX_DONE)
        return DecodeResult::failure(statusMessage(VP8_STATUS_NOT_ENOUGH_DATA));

    const uint32_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    if (const Check size = checkPictureSize(width, height, file.size()); !size)
        return DecodeResult::failure(size.reason());

    FrameIterator iterator;
    iterator.held = WebPDemuxGetFrame(demuxer.get(), 1, &iterator.frame) != 0;
    const WebPIterator& frame = iterator.frame;
    if (!iterator.held)
        return DecodeResult::failure(QStringLiteral("the WebP file holds no picture"));
    if (frame.width <= 0 || frame.height <= 0 || frame.x_offset < 0 || frame.y_offset < 0 ||
        qint64(frame.x_offset) + frame.width > qint64(width) ||
        qint64(frame.y_offset) + frame.height > qint64(height))
        return DecodeResult::failure(
            QStringLiteral("the first WebP frame lies outside the picture"));

    const QSize own(static_cast<int>(width), static_cast<int>(height));
    const QSize size = boundedDecodingSize(own);
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        return DecodeResult::failure(statusMessage(VP8_STATUS_OUT_OF_MEMORY));
    image.fill(Qt::transparent);

    // The frame is decoded straight into its place on the canvas.
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return DecodeResult::failure(QStringLiteral("the WebP library does not match its headers"));
    const int left = std::min(scaledEdge(frame.x_offset, width, size.width()), size.width() - 1);
    const int top = std::min(scaledEdge(frame.y_offset, height, size.height()), size.height() - 1);
    const int frameWidth =
        std::max(1, scaledEdge(frame.x_offset + frame.width, width, size.width()) - left);
    const int frameHeight =
        std::max(1, scaledEdge(frame.y_offset + frame.height, height, size.height()) - top);
    if (size != own) {
        config.options.use_scaling = 1;
        config.options.scaled_width = frameWidth;
        config.options.scaled_height = frameHeight;
    }
    const qsizetype stride = image.bytesPerLine();
    config.output.colorspace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits() + top * stride + left * 4;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = size_t(stride) * size_t(frameHeight - 1) + size_t(frameWidth) * 4;
    const VP8StatusCode status = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return DecodeResult::failure(statusMessage(status));
    DecodeResult result = decodedPicture(flattenOverWhite(std::move(image)));
    if (size != own)
        result->sourceSize = own;
    return result;
}

} // namespace plattera
