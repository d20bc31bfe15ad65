#include "support/test_files.h"

#include <QFile>

#include <gtest/gtest.h>

QImage columnCodedImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, (x >> 8) & 0xFF, 77));
    return image;
}

int sourceColumnOf(QRgb pixel)
{
    return qRed(pixel) | (qGreen(pixel) << 8);
}

QString writeTestFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}

QString writeTestBmp(const QString& path, const QImage& image)
{
    EXPECT_TRUE(image.save(path, "BMP")) << path.toStdString();
    return path;
}

SavedEnvironment::SavedEnvironment(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        m_saved.emplace_back(
            name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
}

SavedEnvironment::~SavedEnvironment()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
}
