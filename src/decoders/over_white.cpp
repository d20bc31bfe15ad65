#include "decoders/decode_result.h"

namespace plattera {

QImage flattenOverWhite(QImage image)
{
    // The same straight-alpha blend, in the file's own colour values, as the icon decoder's,
    // so a transparent PNG and a transparent icon end up alike on the cover.
    const auto over = [](int value, int alpha) {
        return (value * alpha + 255 * (255 - alpha) + 127) / 255;
    };
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = row[x];
            const int alpha = qAlpha(c);
            if (alpha != 255)
                row[x] = qRgb(over(qRed(c), alpha), over(qGreen(c), alpha), over(qBlue(c), alpha));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

} // namespace plattera
