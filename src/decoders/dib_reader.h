#pragma once

#include <cstddef>
#include <cstdint>

#include "decoders/decode_result.h"

namespace plattera {

// A device-independent bitmap as stored in BMP files and in the bitmap entries of icons.
struct DibSource {
    const unsigned char* data = nullptr; // the whole buffer; offsets below are into it
    size_t size = 0;
    size_t headerOffset = 0;  // where the info header starts
    size_t pixelOffset = 0;   // where the pixel rows start; 0: right after header, masks and palette
    bool icon = false;        // the height counts the colour rows and the AND mask rows
    bool alpha32 = false;     // 32-bit pixels carry alpha in their top byte (as icons' do)
};

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

// Reads the info header; returns an empty text or the problem.
QString readDibHeader(const DibSource& source, DibHeader& header);

// Decodes the colour image onto a white RGB32 image. With keepAlpha (icons), the top byte of
// each pixel is the picture's own alpha for 32-bit data and 0xff otherwise; the caller must
// flatten it before handing the image on. Pixels that RLE data skips stay white.
// andMaskOffset receives where the rows after the colour image start (the icons' mask).
DecodeResult decodeDib(const DibSource& source, bool keepAlpha, size_t* andMaskOffset = nullptr);

} // namespace plattera
