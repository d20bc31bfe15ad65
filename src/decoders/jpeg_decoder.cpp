#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

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

// Phase 1: header, output colour space and output size (the DCT's own 1/2, 1/4 or 1/8
// scaling when a smaller picture still covers atLeast). Returns false with errors.message set.
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
    if (atLeast.isValid()) {
        const auto covers = [&](unsigned int denominator) {
            return (session->info.image_width + denominator - 1) / denominator >=
                unsigned(atLeast.width()) &&
                (session->info.image_height + denominator - 1) / denominator >=
                unsigned(atLeast.height());
        };
        for (unsigned int denominator = 8; denominator > 1; denominator /= 2) {
            if (covers(denominator)) {
                session->info.scale_num = 1;
                session->info.scale_denom = denominator;
                break;
            }
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

// Phase 2: decode every scanline into pixels (stride bytes per row). CMYK rows pass through
// the caller's row buffer (4 bytes per pixel).
bool decompressJpeg(JpegSession* session, unsigned char* pixels, qsizetype stride,
                    unsigned char* cmykRow)
{
    if (setjmp(session->errors.jump))
        return false;
    jpeg_decompress_struct* info = &session->info;
    jpeg_start_decompress(info);
    const bool cmyk = info->out_color_space == JCS_CMYK;
    const bool inverted = info->saw_Adobe_marker;
    while (info->output_scanline < info->output_height) {
        unsigned char* row = pixels + qsizetype(info->output_scanline) * stride;
        JSAMPROW target = cmyk ? cmykRow : row;
        if (jpeg_read_scanlines(info, &target, 1) != 1)
            break;
        if (cmyk)
            cmykRowToRgb(cmykRow, info->output_width, inverted, reinterpret_cast<QRgb*>(row));
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
    QImage image =
        allocateWhiteImage(int(session.info.output_width), int(session.info.output_height));
    unsigned char* cmykRow =
        static_cast<unsigned char*>(std::malloc(size_t(session.info.output_width) * 4));
    if (image.isNull() || cmykRow == nullptr) {
        std::free(cmykRow);
        jpeg_destroy_decompress(&session.info);
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the JPEG picture")));
    }

    const bool decoded = decompressJpeg(&session, image.bits(), image.bytesPerLine(), cmykRow);
    std::free(cmykRow);
    jpeg_destroy_decompress(&session.info);
    if (!decoded)
        return DecodeResult::failure(QString::fromLocal8Bit(session.errors.message));
    DecodeResult result = decodedPicture(std::move(image));
    if (ownSize != result->image.size())
        result->sourceSize = ownSize;
    return result;
}

} // namespace plattera
