// Feeds arbitrary bytes to the emf player: it must answer with a picture or a message,
// never crash, hang, leak or ask for gigabytes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // A frame of many megapixels costs seconds of filling white for every mutation of it and
    // tells the player nothing new; such frames are drawn at a lower resolution instead.
    int ppi = 96;
    if (size >= 40) {
        const double width =
            (double(plattera::leI32(data + 32)) - plattera::leI32(data + 24)) / 2540.0 * ppi;
        const double height =
            (double(plattera::leI32(data + 36)) - plattera::leI32(data + 28)) / 2540.0 * ppi;
        const double pixels = width * height;
        if (pixels > 4e6 && std::isfinite(pixels))
            ppi = std::max(1, int(ppi * std::sqrt(4e6 / pixels)));
    }
    const plattera::DecodeResult result = plattera::decodeEmf(bytes, ppi);
    (void)result.ok();
    return 0;
}
