#include "support/picture_writers.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include <QDataStream>
#include <QFile>
#include <QImage>

#include <jpeglib.h>

namespace {

unsigned char noise(unsigned& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<unsigned char>(state >> 24);
}

// fillRow(y, row) fills one row of width x components samples.
QString writeJpeg(const QString& path, int width, int height, bool colour, int quality,
                  const std::function<void(int, unsigned char*)>& fillRow)
{
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        throw std::runtime_error("cannot write the test JPEG");
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr jerr {};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = colour ? 3 : 1;
    cinfo.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        fillRow(int(cinfo.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
    return path;
}

} // namespace

QString writePhotoJpeg(const QString& path, int width, int height, unsigned seed)
{
    unsigned state = seed;
    return writeJpeg(path, width, height, true, 90, [&](int y, unsigned char* row) {
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3 + 0] =
                static_cast<unsigned char>((x * 255 / width + noise(state) / 8) & 0xFF);
            row[size_t(x) * 3 + 1] =
                static_cast<unsigned char>((y * 255 / height + noise(state) / 8) & 0xFF);
            row[size_t(x) * 3 + 2] =
                static_cast<unsigned char>(((x + y) / 16 + noise(state) / 8) & 0xFF);
        }
    });
}

QString writeWhiteJpeg(const QString& path, int width, int height)
{
    return writeJpeg(path, width, height, false, 10,
                     [&](int, unsigned char* row) { std::fill(row, row + width, 255); });
}

QString writeWhiteBmp(const QString& path, int width, int height)
{
    const quint32 row = quint32(width + 31) / 32 * 4, pixels = row * quint32(height);
    QFile out(path);
    QDataStream bmp(&out);
    bmp.setByteOrder(QDataStream::LittleEndian);
    // The file's header, the picture's (1 plane of 1 bit, 2 colours) and the palette: white,
    // black; the rows are the zeros the file grows by.
    if (!out.open(QIODevice::WriteOnly) || bmp.writeRawData("BM", 2) != 2)
        throw std::runtime_error("cannot write the test BMP");
    for (quint32 v : {62 + pixels, 0u, 62u, 40u, quint32(width), quint32(height), 1u | 1u << 16, 0u,
                      pixels, 0u, 0u, 2u, 0u, 0xffffffu, 0u})
        bmp << v;
    if (!out.resize(62 + qint64(pixels)))
        throw std::runtime_error("cannot write the test BMP");
    return path;
}

QString writeNoisyBmp(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    unsigned state = 11;
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = static_cast<uchar>((x / 3 + y) / 4 + (noise(state) & 7));
    }
    if (!image.save(path, "BMP"))
        throw std::runtime_error("cannot write the test BMP");
    return path;
}

QByteArray coordinateBmp(int width, int height)
{
    const int row = width * 3;
    QByteArray b(54 + qsizetype(row) * height, '\0');
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = b.data() + 54 + qsizetype(y) * row + x * 3;
            p[0] = char(x);
            p[1] = char(y);
            p[2] = char(x ^ y);
        }
    return b;
}
