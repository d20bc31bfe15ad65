#pragma once

#include <ostream>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

// Pixel checks that name the first wrong pixel and both colours.
::testing::AssertionResult PixelIs(const QImage& image, int x, int y, QRgb expected);
::testing::AssertionResult ImagesEqual(const QImage& a, const QImage& b);
// Every pixel inside rect has the colour.
::testing::AssertionResult AreaIs(const QImage& image, const QRect& rect, QRgb expected);
// Count of pixels in rect that differ from the colour.
int CountNot(const QImage& image, const QRect& rect, QRgb colour);
QString ColourName(QRgb c);

QT_BEGIN_NAMESPACE
inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << "QSize(" << s.width() << ", " << s.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << "QRect(" << r.x() << ", " << r.y() << " " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE
