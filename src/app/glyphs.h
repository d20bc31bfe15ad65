#pragma once

#include <QIcon>
#include <QImage>

namespace plattera {

// The pictures on the toolbar buttons, drawn in code in the sixteen classic colours so that
// they stay crisp at their one size. Every glyph is 16 x 16 except Image's, which is 20 x 20.
enum class Glyph { NewCover, EditTracks, FontTypeColor, Left, Center, Image, Print, Close, About };

QImage glyphImage(Glyph glyph);

// The greyed form a bitmap button shows while disabled: every dark pixel turns grey with a
// white highlight one pixel down and right, light and transparent pixels vanish.
QImage disabledGlyph(const QImage& normal);

// The program's icon, a jewel case with its insert and a disc, drawn at 16 or 48 pixels
// (other sizes take the 48-pixel drawing scaled).
QImage windowIconImage(int size);
QIcon windowIcon();

} // namespace plattera
