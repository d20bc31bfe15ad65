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

enum class BackPlacementForm {
    Common,       // reload, stretch onto the composite, spine styles restored, four sheets filled
    Layout,       // as Common, but the composite is copied as it stands, not redrawn
    ImageCommand, // the caller has loaded and stretched; the bands go straight over the sheets
    Extend,       // reload, stretch, then a solid wipe before the bands
};

// Loads BackPicture again (ImageCommand form excepted), prepares the back sheets for the form,
// copies the bands for "Extend back picture" and leaves both spine brushes clear. An unreadable file throws
// CommandError at the load, with nothing drawn by this step yet.
void backPicturePlacement(Sheets& sheets, EditorState& state, const CoverInputs& inputs,
                          BackPlacementForm form);

// Loads FrontPicture again, sets HasFrontPicture and stretches it over the whole front sheet.
void frontPicturePlacement(Sheets& sheets, EditorState& state);

// The state's picture store at the sheets' pixels per inch, storing the result as the new bitmap (none when
// the file has gone).
void reloadBackPicture(Sheets& sheets, EditorState& state);
void reloadFrontPicture(Sheets& sheets, EditorState& state);

} // namespace plattera
