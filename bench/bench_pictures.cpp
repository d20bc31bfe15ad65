#include "bench_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <QImage>

#include <gif_lib.h>
#include <jpeglib.h>

namespace {

unsigned char noise(unsigned& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<unsigned char>(state >> 24);
}

} // namespace

void writeGif(const QString& path, int width, int height)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
    if (!gif)
        throw std::runtime_error("cannot write the benchmark GIF");
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] =
            GifColorType {GifByteType(i), GifByteType(255 - i), GifByteType((i * 7) & 0xFF)};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    unsigned state = 7;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            line[size_t(x)] = GifPixelType(((x / 8 + y / 8) + (noise(state) & 3)) & 0xFF);
        EGifPutLine(gif, line.data(), width);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
}

void decodeJpegPlain(const QString& path)
{
    FILE* in = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!in)
        throw std::runtime_error("cannot read the benchmark JPEG");
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    std::vector<unsigned char> pixels(size_t(cinfo.output_width) * cinfo.output_height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {pixels.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 3};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
}
