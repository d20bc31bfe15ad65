// Feeds arbitrary bytes to the ico decoder: it must answer with a picture or a message,
// never crash, hang, leak or ask for gigabytes.
#include <cstddef>
#include <cstdint>

#include "decoders/decode_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const plattera::DecodeResult result = plattera::decodeIco(bytes);
    (void)result.ok();
    return 0;
}
