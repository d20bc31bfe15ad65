// A BMP file is a file header in front of a device-independent bitmap.

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"

namespace plattera {

DecodeResult decodeBmp(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const size_t size = size_t(data.size());
    if (size < 18 || bytes[0] != 'B' || bytes[1] != 'M')
        return DecodeResult::failure(QStringLiteral("Not a bitmap file"));
    DibSource source;
    source.data = bytes;
    source.size = size;
    source.headerOffset = 14;
    source.pixelOffset = leU32(bytes + 10);
    return decodeDib(source, false);
}

} // namespace plattera
