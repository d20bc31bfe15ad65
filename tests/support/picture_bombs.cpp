#include "support/picture_bombs.h"

#include <zlib.h>

namespace {

void put(QByteArray& out, quint32 v, int bytes) // big-endian
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char(v >> (8 * i));
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& payload)
{
    const QByteArray body = QByteArray(type, 4) + payload;
    put(png, quint32(payload.size()), 4);
    png += body;
    put(png, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))), 4);
}

// Raw deflate blocks that refer to nothing before them and end on a byte: copies can follow.
QByteArray deflated(QByteArray bytes)
{
    QByteArray out(bytes.size() / 512 + 256, '\0');
    z_stream z {};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(bytes.data());
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FULL_FLUSH);
    deflateEnd(&z);
    return out.left(out.size() - qsizetype(z.avail_out));
}

} // namespace

QByteArray dotPng(QSize size, bool interlaced, QRgb dot, QRgb rest, qint64 extraZeros)
{
    // A filter byte and the dot, then zeros: enough for the rows, interlaced or not (a filter
    // byte and 8 pixels a byte each), and what is left over after them.
    const QByteArray start("\0\x80", 2), mebibyte = deflated(QByteArray(1 << 20, '\0'));
    const qint64 zeros = 2LL * size.height() * (1 + (size.width() + 7) / 8) + extraZeros;
    QByteArray stream = "\x78\xda" + deflated(start);
    for (qint64 left = zeros; left > 0; left -= 1 << 20)
        stream += left >= 1 << 20 ? mebibyte : deflated(QByteArray(left, '\0'));
    stream += QByteArray("\x03\x00", 2); // the last block: fixed codes, only its end
    const uLong adler = adler32(1, reinterpret_cast<const Bytef*>(start.data()), 2);
    put(stream, quint32(adler32_combine(adler, uLong(zeros % 65521) << 16 | 1, zeros)), 4);

    QByteArray png("\x89PNG\r\n\x1a\n", 8), header, palette;
    put(header, quint32(size.width()), 4);
    put(header, quint32(size.height()), 4);
    appendChunk(png, "IHDR", header + QByteArray("\x01\x03\0\0", 4) + char(interlaced));
    for (QRgb c : {rest, dot})
        palette += QByteArray(1, char(qRed(c))) + char(qGreen(c)) + char(qBlue(c));
    appendChunk(png, "PLTE", palette);
    for (qsizetype at = 0; at < stream.size(); at += 1 << 20)
        appendChunk(png, "IDAT", stream.mid(at, 1 << 20));
    appendChunk(png, "IEND", QByteArray());
    return png;
}
