#pragma once

#include "model/canvas.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"

class QPrinter;

namespace plattera {

class PageCanvas;

// The page layout in page units (0.1 mm, y upwards from the printable area's top-left).
namespace page {
// Back insert: left spine 200..260, panel 260..1640, right spine 1640..1700.
constexpr int kBackLeft = 200, kBackTop = -100, kBackRight = 1700, kBackBottom = -1275;
constexpr int kLeftFold = 260, kRightFold = 1640;
constexpr int kFrontLeft = 200, kFrontTop = -1300, kFrontRight = 1410, kFrontBottom = -2500;

// The first line's top lies 10.5 mm down; 1170 keeps the whole block above the insert's
// lower edge at 127.5 mm.
constexpr int kTrackTop = 105;
constexpr int kTrackBlockLimit = 1170;
constexpr int kTrackWidthLimit = 1300;
constexpr int kTrackLeft = 300;
constexpr int kTrackCentre = 950;
constexpr int kFrontWidthLimit = 1150;
constexpr int kFrontCentre = 805;
constexpr int kFrontDivide = -1900;
constexpr int kSpineHeightLimit = 64;
constexpr int kSpineLengthLimit = 1100;
constexpr int kSpineCentre = 690;
} // namespace page

// Draws the whole cover on one page: pictures, then outlines, then (once texts have been laid
// out) the track lines, the front text and the two spine texts, each fitted again on the page.
// The texts are those the sheets show (the state's Print texts), never the editor's newer
// edits; the inputs give the check boxes. Changes only the canvas.
void printCover(PageCanvas& canvas, const EditorState& state, const CoverInputs& inputs);

} // namespace plattera
