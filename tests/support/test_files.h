#pragma once

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>

// A picture whose every column has its own colour (red and green give the column, blue is 77),
// so a copied pixel tells which source column it came from.
QImage columnCodedImage(int width, int height);
int sourceColumnOf(QRgb pixel);

// Saves the picture as a BMP file at path and returns the path.
QString writeTestBmp(const QString& path, const QImage& image);

// Keeps the named environment variables as they are now and puts them back, set or unset,
// when it goes: tests that change the environment leave it as they found it.
class SavedEnvironment {
public:
    explicit SavedEnvironment(std::initializer_list<const char*> names);
    ~SavedEnvironment();
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};

// Writes the bytes to path and returns the path: broken pictures and the like.
QString writeTestFile(const QString& path, const QByteArray& bytes);
