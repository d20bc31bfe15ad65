#pragma once

#include <cstddef>
#include <cstdint>

#include "decoders/decode_result.h"

namespace plattera {

// A device-independent bitmap as stored in BMP files, in the bitmap entries of icons and in
// metafile records. One reader decodes them all.
struct DibSource {
    const unsigned char* data = nullptr; // the whole buffer; offsets below are into it
    size_t size = 0;
    size_t headerOffset = 0; // where the info header starts
    size_t pixelOffset = 0;  // where the pixel rows start; 0: right after header, masks and palette
    bool icon = false;       // the height counts the colour rows and the AND mask rows
    bool alpha32 = false;    // 32-bit pixels carry alpha in their top byte (as icons' do)
    // Run-length data may claim a huge bitmap in a few bytes; above this many pixels a byte
    // of the source, such a bitmap is refused. 0: no limit.
    long long maxRlePixelsPerByte = 0;
};

// A bitmap inside a metafile record: info header at the start of `dib`, the bits right after
// the colour table unless `pixelOffset` says where. A metafile's bitmaps are small.
inline DibSource metafileDib(const char* dib, size_t length, size_t pixelOffset = 0,
                             bool alpha32 = false)
{
    DibSource source;
    source.data = reinterpret_cast<const unsigned char*>(dib);
    source.size = dib ? length : 0;
    source.pixelOffset = pixelOffset;
    source.alpha32 = alpha32;
    source.maxRlePixelsPerByte = 1024;
    return source;
}

struct DibHeader {
    uint32_t headerSize = 0;
    long long width = 0;
    long long height = 0; // rows of the colour image (half the stored height for icons)
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    bool os2Palette = false; // three-byte palette entries
    bool os2 = false;
};

// Reads the info header, or says why it cannot be read.
Check readDibHeader(const DibSource& source, DibHeader& header);

// Decodes the colour image onto a white RGB32 image. With keepAlpha (icons), the top byte of
// each pixel is the picture's own alpha for 32-bit data and 0xff otherwise; the caller must
// flatten it before handing the image on. Pixels that RLE data skips stay white.
// andMaskOffset receives where the rows after the colour image start (the icons' mask).
DecodeResult decodeDib(const DibSource& source, bool keepAlpha, size_t* andMaskOffset = nullptr);

// Whether the rows are stored from the bottom up, as most bitmaps store them.
bool dibIsBottomUp(const DibSource& source);

} // namespace plattera
