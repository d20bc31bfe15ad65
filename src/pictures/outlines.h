#pragma once

#include "model/colour.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

namespace plattera {

// Where the fold lines go on the two spines (left spine column, right spine column):
// inner (20, 1), edge (21, 0), mixed (20, 0).
enum class FoldPlacement { Inner, Edge, Mixed };

// Each spine gets a full-height line; the pen colour of each spine is set first.
void drawFoldLines(Sheets& sheets, Colour colour, FoldPlacement placement);

// The frame around the whole back strip, drawn in five strokes across the three back sheets.
// Pixel (0, 352) of the panel and of the right spine stay unpainted: the strokes end there.
void drawBackOutline(Sheets& sheets, Colour colour);

// The frame along the outermost rows and columns of the front sheet, all four corners painted.
void drawFrontOutline(Sheets& sheets, Colour colour);

// The checked figures: fold lines, back outline, front outline. The layouts end with it in the
// inner placement.
void drawOutlineLayer(Sheets& sheets, Colour colour, const CoverInputs& inputs,
                      FoldPlacement folds = FoldPlacement::Inner);

// The layer drawn again over a finished cover by New Cover and the picture commands; once a
// figure is drawn, the four visible brushes are left clear.
void redrawOutlineLayer(Sheets& sheets, Colour colour, const CoverInputs& inputs,
                        FoldPlacement folds);

} // namespace plattera
