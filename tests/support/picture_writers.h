#pragma once

#include <QByteArray>
#include <QString>

// Pictures made on the spot for tests, benchmarks and fuzzing, so none needs files from
// elsewhere. Each returns the path written; a file that cannot be written throws.

// A photo-like JPEG (gradients with noise, quality 90) that the encoder cannot make small.
QString writePhotoJpeg(const QString& path, int width, int height, unsigned seed);
// A plain white grey JPEG at quality 10: few bytes on disk, width x height x 4 once decoded.
QString writeWhiteJpeg(const QString& path, int width, int height);

// A white 1-bit BMP: an eighth of a byte a pixel on disk, width x height x 4 once decoded.
QString writeWhiteBmp(const QString& path, int width, int height);
// A 24-bit BMP with noise, of photo size.
QString writeNoisyBmp(const QString& path, int width, int height);
// The bytes of a 24-bit bottom-up BMP whose pixels spell their own coordinates
// (blue x, green y, red x ^ y, each modulo 256).
QByteArray coordinateBmp(int width, int height);
