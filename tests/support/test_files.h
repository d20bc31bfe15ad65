#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// A picture whose every column has its own colour (red and green give the column, blue is 77),
// so a copied pixel tells which source column it came from.
QImage columnCodedImage(int width, int height);
int sourceColumnOf(QRgb pixel);

// Saves the picture as a BMP file at path and returns the path.
QString writeTestBmp(const QString& path, const QImage& image);

// Writes the bytes to path and returns the path: broken pictures and the like.
QString writeTestFile(const QString& path, const QByteArray& bytes);
