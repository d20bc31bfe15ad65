#pragma once

#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

namespace plattera {

// The left-aligned layout run by "Continue", Left, the Font command and the re-layout step:
// sets TextLaidOut, takes the artist and title from the inputs, wipes, places the pictures,
// fits and draws the front lines, the turned spine texts and the track lines, and ends with
// the outline layer. Closing the track editor is the caller's last step.
// An unreadable picture throws CommandError with the sheets keeping what was drawn.
void leftAlignedLayout(Sheets& sheets, EditorState& state, const CoverInputs& inputs);

// The centred twin, run by the Center command after it has wiped and placed the pictures.
void centredLayout(Sheets& sheets, EditorState& state, const CoverInputs& inputs);

} // namespace plattera
