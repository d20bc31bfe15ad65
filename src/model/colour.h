#pragma once

#include <cstdint>

#include <QColor>

namespace plattera {

// A colour as the cover state keeps it: 0x00BBGGRR, red in the low byte, 0 is black.
using Colour = std::uint32_t;

inline QColor toQColor(Colour c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline Colour fromQColor(const QColor& c)
{
    return Colour(c.red()) | (Colour(c.green()) << 8) | (Colour(c.blue()) << 16);
}

inline QRgb toQRgb(Colour c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;

} // namespace plattera
