#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "decoders/decode_result.h"

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
        return QStringLiteral("Not enough memory to decode the WebP picture");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return QStringLiteral("the WebP picture uses a feature this reader does not know");
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return QStringLiteral("the WebP data is cut short");
    default:
        return QStringLiteral("the WebP data is damaged");
    }
}

} // namespace

// The demuxer reads the container (still, extended or animated) and hands out the first frame's
// bitstream and its place on the canvas; the canvas is transparent around it, so it comes out
// white as a GIF's logical screen does. libwebp neither aborts nor jumps: every failure is a
// status value.
DecodeResult decodeWebp(const QByteArray& data)
{
    const WebPData bytes {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&bytes, &state));
    if (!demuxer || state == WEBP_DEMUX_PARSE_ERROR)
        return DecodeResult::failure(QStringLiteral("not a WebP file, or its data is damaged"));
    if (state != WEBP_DEMUX_DONE)
        return DecodeResult::failure(statusMessage(VP8_STATUS_NOT_ENOUGH_DATA));

    const uint32_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    const QString sizeProblem = checkPictureSize(width, height, data.size());
    if (!sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);

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

    QImage image(int(width), int(height), QImage::Format_ARGB32);
    if (image.isNull())
        return DecodeResult::failure(statusMessage(VP8_STATUS_OUT_OF_MEMORY));
    image.fill(Qt::transparent);

    // The frame is decoded straight into its place on the canvas.
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return DecodeResult::failure(QStringLiteral("the WebP library does not match its headers"));
    const qsizetype stride = image.bytesPerLine();
    config.output.colorspace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits() + frame.y_offset * stride + frame.x_offset * 4;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = size_t(stride) * size_t(frame.height - 1) + size_t(frame.width) * 4;
    const VP8StatusCode status = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return DecodeResult::failure(statusMessage(status));
    return DecodeResult::success(flattenOverWhite(std::move(image)));
}

} // namespace plattera
