#pragma once

#include <QString>

#include "model/cover_inputs.h"
#include "model/editor_state.h"

namespace plattera {

// Qt knows the sheets, the outline swatch, the link and the main window only as plain
// widgets, which a screen reader announces as anonymous fillers. This gives them the roles
// it expects: pictures, a colour, a link that can be pressed, an application window.
void installAccessibleRoles();

enum class SheetPart { BackInsert, LeftSpine, RightSpine, FrontInsert };

// What a screen reader says a sheet shows: its texts once they have been laid out, the
// number of tracks, the picture's file name.
QString sheetDescription(SheetPart part, const EditorState& state, const CoverInputs& inputs);

} // namespace plattera
