#include "model/canvas.h"

#include <cstdlib>

namespace plattera {

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = (long long)a * b;
    const long long half = std::llabs((long long)c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long q = (std::llabs(product) + half) / std::llabs((long long)c);
    return int(negative ? -q : q);
}

QString clampFaceName(const QString& face)
{
    return face.left(kMaxFaceLength);
}

void Canvas::setFontFace(const QString& face)
{
    if (face.isEmpty())
        return;
    m_font.face = clampFaceName(face);
    m_font.escapement = 0;
}

} // namespace plattera
