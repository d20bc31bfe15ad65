#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <optional>

#include <jpeglib.h>

#include "decoders/bounded_canvas.h"
#include "decoders/decode_result.h"
#include "model/errors.h"

namespace plattera {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: we jump back to
// the phase that was running. Everything alive across the jump is plain C data; the QImage the
// pixels go to lives in the caller's frame, outside the jump's reach.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (a truncated file padded out, extraneous bytes) are not failures and never reach
// stderr; the picture shows what could be decoded.
extern "C" void jpegOutputMessage(j_common_ptr) { }

struct JpegSession {
    jpeg_decompress_struct info;
    JpegErrorManager errors;
};

// Phase 1: header, output colour space and output size: the DCT's own scaling by M/8, the
// smallest that still covers `cover` on both sides, when the picture is larger than that.
// Returns false with errors.message set.
bool readJpegHeader(JpegSession* session, const unsigned char* data, unsigned long size,
                    QSize atLeast)
{
    if (setjmp(session->errors.jump))
        return false;
    jpeg_mem_src(&session->info, data, size);
    jpeg_read_header(&session->info, TRUE);
    switch (session->info.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
        session->info.out_color_space = JCS_CMYK;
        break;
    default:
        // Greyscale and colour both expand straight into QImage's 0xAARRGGBB words, with the
        // alpha byte set to 0xff (the X variants leave it undefined).
        session->info.out_color_space =
            Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
        break;
    }
    const unsigned int width = session->info.image_width, height = session->info.image_height;
    const QSize cover = atLeast.isValid()
        ? atLeast
        : boundedDecodingSize(QSize(int(std::min(width, 65535u)), int(std::min(height, 65535u))));
    const auto covers = [&](unsigned int eighths) {
        return (qint64(width) * eighths + 7) / 8 >= cover.width() &&
            (qint64(height) * eighths + 7) / 8 >= cover.height();
    };
    const bool larger = qint64(width) > cover.width() || qint64(height) > cover.height();
    for (unsigned int eighths = 1; larger && eighths < 8; ++eighths) {
        if (covers(eighths)) {
            session->info.scale_num = eighths;
            session->info.scale_denom = 8;
            break;
        }
    }
    jpeg_calc_output_dimensions(&session->info);
    return true;
}

void cmykRowToRgb(const unsigned char* cmyk, unsigned int width, bool inverted, QRgb* out)
{
    for (unsigned int x = 0; x < width; ++x, cmyk += 4) {
        unsigned int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Adobe writes the inks inverted: 255 means no ink.
        out[x] = qRgb(int(c * k / 255), int(m * k / 255), int(y * k / 255));
    }
}

// Where the decoded rows go: straight into a picture of the output size, or, for one larger
// than the largest place on the cover, onto a canvas that shrinks it as the rows come, so
// that a picture 65,500 pixels wide never exists whole. Plain data, out of the jump's reach.
struct JpegTarget {
    unsigned char* pixels = nullptr; // stride bytes per row; null when the canvas takes rows
    qsizetype stride = 0;
    BoundedCanvas* canvas = nullptr;
    unsigned char* row = nullptr;    // one output row, 4 bytes a pixel: CMYK or the canvas's
    unsigned char* rgbRow = nullptr; // a CMYK row made RGB on its way to the canvas
};

// Phase 2: decode every scanline.
bool decompressJpeg(JpegSession* session, const JpegTarget& target)
{
    if (setjmp(session->errors.jump))
        return false;
    jpeg_decompress_struct* info = &session->info;
    jpeg_start_decompress(info);
    const bool cmyk = info->out_color_space == JCS_CMYK;
    const bool inverted = info->saw_Adobe_marker;
    while (info->output_scanline < info->output_height) {
        const int y = int(info->output_scanline);
        unsigned char* out = target.pixels ? target.pixels + qsizetype(y) * target.stride
                                           : (cmyk ? target.rgbRow : target.row);
        JSAMPROW samples = cmyk || !target.pixels ? target.row : out;
        if (jpeg_read_scanlines(info, &samples, 1) != 1)
            break;
        if (cmyk)
            cmykRowToRgb(target.row, info->output_width, inverted, reinterpret_cast<QRgb*>(out));
        if (target.canvas)
            target.canvas->putRow(y, 0, 1, reinterpret_cast<const QRgb*>(out),
                                  int(info->output_width));
    }
    // Not jpeg_finish_decompress: it reads on to the end marker, and a file can put hundreds of
    // megabytes between the last row and that marker, walked a byte at a time.
    jpeg_abort_decompress(info);
    return true;
}

} // namespace

DecodeResult decodeJpeg(const QByteArray& data)
{
    return decodeJpegCovering(data, QSize());
}

DecodeResult decodeJpegCovering(const QByteArray& data, QSize atLeast)
{
    JpegSession session;
    std::memset(&session, 0, sizeof session);
    session.info.err = jpeg_std_error(&session.errors.base);
    session.errors.base.error_exit = jpegErrorExit;
    session.errors.base.output_message = jpegOutputMessage;
    jpeg_create_decompress(&session.info);

    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    if (!readJpegHeader(&session, bytes, static_cast<unsigned long>(data.size()), atLeast)) {
        jpeg_destroy_decompress(&session.info);
        return DecodeResult::failure(QString::fromLocal8Bit(session.errors.message));
    }

    const Check size =
        checkPictureSize(session.info.image_width, session.info.image_height, data.size());
    if (!size) {
        jpeg_destroy_decompress(&session.info);
        return DecodeResult::failure(size.reason());
    }
    const QSize ownSize(int(session.info.image_width), int(session.info.image_height));
    const QSize output(int(session.info.output_width), int(session.info.output_height));
    // A picture that fits the largest place is decoded into its pixels as it always was.
    std::optional<BoundedCanvas> canvas;
    QImage image;
    if (boundedDecodingSize(output) == output)
        image = allocateWhiteImage(output.width(), output.height());
    else
        canvas.emplace(output, false);
    const size_t rowBytes = size_t(output.width()) * 4;
    auto* rows = static_cast<unsigned char*>(std::malloc(rowBytes * 2));
    if ((canvas ? canvas->isNull() : image.isNull()) || rows == nullptr) {
        std::free(rows);
        jpeg_destroy_decompress(&session.info);
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the JPEG picture")));
    }

    JpegTarget target;
    target.pixels = canvas ? nullptr : image.bits();
    target.stride = canvas ? 0 : image.bytesPerLine();
    target.canvas = canvas ? &*canvas : nullptr;
    target.row = rows;
    target.rgbRow = rows + rowBytes;
    const bool decoded = decompressJpeg(&session, target);
    std::free(rows);
    jpeg_destroy_decompress(&session.info);
    if (!decoded)
        return DecodeResult::failure(QString::fromLocal8Bit(session.errors.message));
    DecodeResult result = canvas ? canvas->finish() : decodedPicture(std::move(image));
    if (result.ok() && ownSize != result->image.size())
        result->sourceSize = ownSize;
    return result;
}

} // namespace plattera
