#include "decoders/decode_result.h"

namespace plattera {

QImage flattenOverWhite(QImage image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = overWhite(row[x]);
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

} // namespace plattera
