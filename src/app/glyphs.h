#pragma once

#include <QIcon>
#include <QImage>

namespace plattera {

// The pictures on the toolbar buttons, kept as sixteen-colour PNG files in the resources so that
// they stay crisp at their one size. Every glyph is 16 x 16 except Image's, which is 20 x 20.
enum class Glyph { NewCover, EditTracks, FontTypeColor, Left, Center, Image, Print, Close, About };

// Decodes the glyphs and icons ahead of their first use; start-up does it on a thread of its own.
// The functions below decode them themselves when nothing did.
void decodeGlyphs();

QImage glyphImage(Glyph glyph);
// The greyed form a button shows while disabled: its dark pixels grey with a white highlight
// one pixel down and right.
QImage disabledGlyphImage(Glyph glyph);

// The program's icon, the same pictures the install puts where desktops look for them.
QIcon windowIcon();

} // namespace plattera
