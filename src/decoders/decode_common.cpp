#include "decoders/decode_result.h"
#include "model/errors.h"

#include <algorithm>
#include <cmath>

namespace plattera {

DecodeResult decodedPicture(QImage image, QSize sourceSize)
{
    if (image.isNull())
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the picture")));
    return DecodedPicture {std::move(image), sourceSize};
}

Check checkPictureSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        return Check::failure(
            QStringLiteral("The picture has no pixels (%1 x %2)").arg(width).arg(height));
    if (width > kMaxPictureSide || height > kMaxPictureSide) {
        return Check::failure(
            QStringLiteral("The picture is too large (%1 x %2 pixels; at most %3 on a side)")
                .arg(width)
                .arg(height)
                .arg(kMaxPictureSide));
    }
    if (width * height > kMaxPicturePixels) {
        return Check::failure(
            QStringLiteral("The picture is too large (%1 x %2 pixels; at most %3 megapixels)")
                .arg(width)
                .arg(height)
                .arg(kMaxPicturePixels / 1'000'000));
    }
    return Done();
}

Check checkPictureSize(long long width, long long height, long long dataBytes)
{
    if (Check size = checkPictureSize(width, height); !size)
        return size;
    if (width * height > std::max(dataBytes, 1LL) * kMaxPixelsPerByte) {
        return Check::failure(
            QStringLiteral("The picture claims %1 x %2 pixels, far more than its %3 bytes can hold")
                .arg(width)
                .arg(height)
                .arg(dataBytes));
    }
    return Done();
}

QSize boundedDecodingSize(QSize own)
{
    return own.boundedTo(QSize(kLargestDrawnWidth, kLargestDrawnHeight));
}

QSize metafileDrawingSize(long long width, long long height)
{
    const double scale = std::min({1.0, double(kMaxMetafileWidth) / double(width),
                                   double(kMaxMetafileHeight) / double(height)});
    return QSize(int(std::max(1LL, std::llround(double(width) * scale))),
                 int(std::max(1LL, std::llround(double(height) * scale))));
}

QImage allocateWhiteImage(int width, int height)
{
    // QImage hands back a null image rather than throwing when the pixels cannot be had.
    QImage image(width, height, QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(0xffffffffu);
    return image;
}

} // namespace plattera
