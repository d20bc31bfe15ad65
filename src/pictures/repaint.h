#pragma once

#include <span>

#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

namespace plattera {

// The repaint steps every command shares. None of them runs a layout; the commands that need
// the texts again call the re-layout step of the main window afterwards.

// Each listed sheet filled over its whole rectangle with its current brush: white with a
// solid brush, nothing with a clear one.
void fillSheets(std::span<SheetCanvas* const> sheets);
void setBrushes(std::span<SheetCanvas* const> sheets, BrushStyle style);

// The four visible sheets white, their brushes left clear.
void solidWipe(Sheets& sheets);

// The solid wipe that starts a repaint of the whole cover. The pictures' bitmaps go with the
// pixels until the repaint places them again: a picture that can no longer be read then stays
// off the page as it stays off the sheets.
void wipeCover(Sheets& sheets, EditorState& state);

// The back picture stretched over the whole composite sheet; no bitmap draws nothing,
// so the composite keeps its last picture.
void stretchBackComposite(Sheets& sheets, const EditorState& state);

// Extended: composite columns 0-21 onto the left spine, 420-441 onto the right spine and
// 22-419 widened onto the panel. Not extended: the whole composite narrowed onto the panel.
void copyBackBands(Sheets& sheets, bool extended);

// The bands copied for "Extend back picture" (copyBackBands), then both spine brushes clear so
// that the texts drawn next leave the picture visible.
void spreadBackBands(Sheets& sheets, bool extended);

// Both spines given their saved brush styles, then the four visible sheets filled with their
// brushes: white where a brush is solid.
void fillWithSavedSpineBrushes(Sheets& sheets, const EditorState& state);

// The back picture's steps as most commands run them: loaded again, stretched over the
// composite, the sheets filled with the saved spine brushes, the bands spread. An unreadable
// file throws CommandError at the load, with nothing drawn yet.
void placeBackPicture(Sheets& sheets, EditorState& state, const CoverInputs& inputs);

// The front picture loaded again, shown, and stretched over the whole front sheet.
void frontPicturePlacement(Sheets& sheets, EditorState& state);

// The picture loaded again from its file through the state's picture store, at the sheets'
// pixels per inch: none when the file has gone. An unreadable file throws CommandError.
void reloadBackPicture(Sheets& sheets, EditorState& state);
void reloadFrontPicture(Sheets& sheets, EditorState& state);

} // namespace plattera
