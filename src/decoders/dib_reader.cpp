#include <algorithm>
#include <array>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"
#include "model/errors.h"

namespace plattera {

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0)
            ++bits;
    }
    int value(uint32_t pixel, int absent) const
    {
        if (bits == 0)
            return absent;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return int(v >> (bits - 8));
        return int(v * 255u / ((1u << bits) - 1u));
    }
};

struct Layout {
    std::array<QRgb, 256> palette {};
    int paletteSize = 0;
    Channel red, green, blue, alpha;
};

// Writes pixel (x, row) where row counts in storage order.
struct PixelSink {
    QImage& image;
    bool topDown;
    QRgb* rowAt(long long row) const
    {
        const int y = int(topDown ? row : image.height() - 1 - row);
        return reinterpret_cast<QRgb*>(image.scanLine(y));
    }
};

QRgb paletteColour(const Layout& layout, int index)
{
    return index < layout.paletteSize ? layout.palette[size_t(index)] : qRgb(0, 0, 0);
}

void decodeRows(const DibHeader& header, const Layout& layout, const unsigned char* pixels,
                qsizetype stride, const PixelSink& sink)
{
    const int width = int(header.width);
    for (long long row = 0; row < header.height; ++row) {
        const unsigned char* src = pixels + row * stride;
        QRgb* out = sink.rowAt(row);
        switch (header.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            const int bpp = header.bitsPerPixel;
            const int perByte = 8 / bpp;
            const int mask = (1 << bpp) - 1;
            for (int x = 0; x < width; ++x) {
                const int shift = 8 - bpp * (x % perByte + 1);
                out[x] = paletteColour(layout, (src[x / perByte] >> shift) & mask);
            }
            break;
        }
        case 24:
            for (int x = 0; x < width; ++x, src += 3)
                out[x] = qRgb(src[2], src[1], src[0]);
            break;
        case 16:
        case 32:
            for (int x = 0; x < width; ++x) {
                const uint32_t p =
                    header.bitsPerPixel == 16 ? leU16(src + 2 * x) : leU32(src + 4 * x);
                out[x] = qRgba(layout.red.value(p, 0), layout.green.value(p, 0),
                               layout.blue.value(p, 0), layout.alpha.value(p, 255));
            }
            break;
        }
    }
}

// Run-length data: a damaged stream ends the picture where it goes wrong; pixels it never
// reaches stay white.
void decodeRle(const DibHeader& header, const Layout& layout, const unsigned char* p,
               const unsigned char* end, const PixelSink& sink)
{
    const bool four = header.compression == kRle4;
    long long x = 0;
    long long row = 0;
    auto put = [&](int index) {
        if (x < header.width && row < header.height)
            sink.rowAt(row)[x] = paletteColour(layout, index);
        ++x;
    };
    while (end - p >= 2 && row < header.height) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i % 2 == 0) ? value >> 4 : value & 0x0f) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (end - p < 2)
                break;
            x += p[0];
            row += p[1];
            p += 2;
        } else { // absolute run, padded to a 16-bit boundary
            const long long bytes = four ? (value + 1) / 2 : value;
            const long long padded = bytes + (bytes & 1);
            if (end - p < bytes)
                break;
            for (int i = 0; i < value; ++i)
                put(four ? ((i % 2 == 0) ? p[i / 2] >> 4 : p[i / 2] & 0x0f) : p[i]);
            p += std::min<long long>(padded, end - p);
        }
    }
}

bool isRle(const DibHeader& header)
{
    return header.compression == kRle8 || header.compression == kRle4;
}

// OS/2 numbers its compressions differently from 3 on (Huffman, RLE24): none is supported.
bool hasBitfields(const DibHeader& header)
{
    return !header.os2 &&
        (header.compression == kBitfields || header.compression == kAlphaBitfields);
}

// Whether the reader decodes bitmaps of this size, depth and compression, and if not, why.
Check unsupportedFormat(const DibSource& source, const DibHeader& header)
{
    if (Check size = checkPictureSize(header.width, header.height); !size)
        return size;
    const bool rle = isRle(header);
    if (source.maxRlePixelsPerByte > 0 && rle &&
        header.width * header.height > (long long)(source.size) * source.maxRlePixelsPerByte)
        return Check::failure(
            QStringLiteral("The compressed bitmap claims more pixels than its data can hold"));

    const int bpp = header.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Check::failure(
            QStringLiteral("Unsupported bitmap depth (%1 bits per pixel)").arg(bpp));
    const uint32_t compression = header.compression;
    const bool bitfields = hasBitfields(header);
    if (compression != kRgb && !rle && !bitfields)
        return Check::failure(
            QStringLiteral("Unsupported bitmap compression (%1)").arg(compression));
    // Icons never carry run-length data: in an icon it is a sign of damage.
    if (source.icon && rle)
        return Check::failure(QStringLiteral("Compressed icon images are not supported"));
    if ((compression == kRle8 && bpp != 8) || (compression == kRle4 && bpp != 4) ||
        (bitfields && bpp != 16 && bpp != 32))
        return Check::failure(
            QStringLiteral("Bitmap compression %1 does not go with %2 bits per pixel")
                .arg(compression)
                .arg(bpp));
    return Done();
}

// The channels of 16- and 32-bit pixels: the stored masks, or the fixed layout of the plain
// format. Masks that follow a short header move `next` past them.
Check readChannels(const DibSource& source, const DibHeader& header, Layout& layout, size_t& next)
{
    const int bpp = header.bitsPerPixel;
    if (hasBitfields(header)) {
        const size_t maskCount = header.compression == kAlphaBitfields ? 4 : 3;
        const unsigned char* masks = source.data + source.headerOffset + 40;
        if (header.headerSize < 40 + 4 * maskCount) {
            if (source.size - next < 4 * maskCount)
                return Check::failure(QStringLiteral("The bitmap colour masks are cut short"));
            masks = source.data + next;
            next += 4 * maskCount;
        }
        layout.red = Channel(leU32(masks));
        layout.green = Channel(leU32(masks + 4));
        layout.blue = Channel(leU32(masks + 8));
        if (maskCount == 4 || header.headerSize >= 56)
            layout.alpha = Channel(leU32(masks + 12));
    } else if (bpp == 16) {
        layout.red = Channel(0x7c00);
        layout.green = Channel(0x03e0);
        layout.blue = Channel(0x001f);
    } else if (bpp == 32) {
        layout.red = Channel(0x00ff0000);
        layout.green = Channel(0x0000ff00);
        layout.blue = Channel(0x000000ff);
        // Icons keep their alpha in the top byte; plain bitmaps leave it undefined.
        if (source.icon || source.alpha32)
            layout.alpha = Channel(0xff000000);
    }
    return Done();
}

// The colour table of a bitmap of up to 8 bits per pixel, which starts at `next` and moves
// it past.
Check readPalette(const DibSource& source, const DibHeader& header, Layout& layout, size_t& next)
{
    const int bpp = header.bitsPerPixel;
    const uint32_t most = 1u << bpp;
    if (header.coloursUsed > most)
        return Check::failure(
            QStringLiteral("The bitmap palette is too large (%1 colours for %2 bits per pixel)")
                .arg(header.coloursUsed)
                .arg(bpp));
    const uint32_t entries = header.coloursUsed ? header.coloursUsed : most;
    const size_t entrySize = header.os2Palette ? 3 : 4;
    if ((source.size - std::min(next, source.size)) / entrySize < entries)
        return Check::failure(QStringLiteral("The bitmap palette is cut short"));
    for (uint32_t i = 0; i < entries; ++i) {
        const unsigned char* e = source.data + next + i * entrySize;
        layout.palette[i] = qRgb(e[2], e[1], e[0]);
    }
    layout.paletteSize = int(entries);
    next += entries * entrySize;
    return Done();
}

} // namespace

Check readDibHeader(const DibSource& source, DibHeader& header)
{
    const size_t at = source.headerOffset;
    if (at > source.size || source.size - at < 4)
        return Check::failure(QStringLiteral("The bitmap header is cut short"));
    const unsigned char* h = source.data + at;
    header.headerSize = leU32(h);
    const size_t available = source.size - at;
    const uint32_t hs = header.headerSize;
    const bool windows = hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124;
    const bool os2v2 = !windows && hs >= 16 && hs <= 64;
    if (hs != 12 && !windows && !os2v2)
        return Check::failure(QStringLiteral("Unsupported bitmap header size (%1)").arg(hs));
    if (available < hs)
        return Check::failure(QStringLiteral("The bitmap header is cut short"));

    long long storedHeight = 0;
    if (hs == 12) {
        header.os2 = header.os2Palette = true;
        header.width = leU16(h + 4);
        storedHeight = leU16(h + 6);
        header.bitsPerPixel = leU16(h + 10);
    } else {
        header.os2 = os2v2;
        header.width = leI32(h + 4);
        storedHeight = leI32(h + 8);
        header.bitsPerPixel = leU16(h + 14);
        header.compression = hs >= 20 ? leU32(h + 16) : kRgb;
        header.coloursUsed = hs >= 36 ? leU32(h + 32) : 0;
    }
    header.topDown = storedHeight < 0;
    header.height = storedHeight < 0 ? -storedHeight : storedHeight;
    if (source.icon)
        header.height /= 2;
    return Done();
}

bool dibIsBottomUp(const DibSource& source)
{
    DibHeader header;
    return readDibHeader(source, header).ok() && !header.topDown && header.height > 0;
}

DecodeResult decodeDib(const DibSource& source, bool keepAlpha, size_t* andMaskOffset)
{
    DibHeader header;
    Check format = readDibHeader(source, header);
    if (format)
        format = unsupportedFormat(source, header);
    if (!format)
        return DecodeResult::failure(format.reason());

    size_t next = source.headerOffset + header.headerSize;
    Layout layout;
    Check colours = readChannels(source, header, layout, next);
    if (!keepAlpha)
        layout.alpha = Channel();
    if (colours && header.bitsPerPixel <= 8)
        colours = readPalette(source, header, layout, next);
    if (!colours)
        return DecodeResult::failure(colours.reason());

    const bool rle = isRle(header);
    const size_t pixelOffset = source.pixelOffset ? source.pixelOffset : next;
    if (pixelOffset >= source.size)
        return DecodeResult::failure(QStringLiteral("The bitmap has no pixel data"));
    const long long stride = (header.width * header.bitsPerPixel + 31) / 32 * 4;
    const long long colourBytes = stride * header.height;
    if (!rle && (long long)(source.size - pixelOffset) < colourBytes)
        return DecodeResult::failure(QStringLiteral("The bitmap pixel data is cut short"));
    if (andMaskOffset)
        *andMaskOffset = pixelOffset + size_t(colourBytes);

    QImage image = allocateWhiteImage(int(header.width), int(header.height));
    if (image.isNull())
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the bitmap")));
    const PixelSink sink {image, header.topDown};
    if (rle)
        decodeRle(header, layout, source.data + pixelOffset, source.data + source.size, sink);
    else
        decodeRows(header, layout, source.data + pixelOffset, qsizetype(stride), sink);
    return decodedPicture(std::move(image));
}

} // namespace plattera
