#include "support/image_assert.h"

QString ColourName(QRgb c)
{
    return QStringLiteral("#%1%2%3")
        .arg(qRed(c), 2, 16, QLatin1Char('0'))
        .arg(qGreen(c), 2, 16, QLatin1Char('0'))
        .arg(qBlue(c), 2, 16, QLatin1Char('0'));
}

::testing::AssertionResult PixelIs(const QImage& image, int x, int y, QRgb expected)
{
    if (!image.rect().contains(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") lies outside the "
                                             << image.width() << "x" << image.height() << " image";
    const QRgb got = image.pixel(x, y) | 0xFF000000u;
    if (got == (expected | 0xFF000000u))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "pixel (" << x << ", " << y << ") is " << ColourName(got).toStdString() << ", expected "
        << ColourName(expected).toStdString();
}

::testing::AssertionResult AreaIs(const QImage& image, const QRect& rect, QRgb expected)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            auto r = PixelIs(image, x, y, expected);
            if (!r)
                return r;
        }
    return ::testing::AssertionSuccess();
}

int CountNot(const QImage& image, const QRect& rect, QRgb colour)
{
    int n = 0;
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) != (colour | 0xFF000000u))
                ++n;
    return n;
}

::testing::AssertionResult ImagesEqual(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes differ: " << a.width() << "x" << a.height()
                                             << " and " << b.width() << "x" << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y) | 0xFF000000u, pb = b.pixel(x, y) | 0xFF000000u;
            if (pa != pb)
                return ::testing::AssertionFailure() << "first difference at (" << x << ", " << y
                                                     << "): " << ColourName(pa).toStdString()
                                                     << " and " << ColourName(pb).toStdString();
        }
    return ::testing::AssertionSuccess();
}
