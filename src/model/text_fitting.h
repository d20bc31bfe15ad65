#pragma once

#include <functional>
#include <initializer_list>

#include "model/canvas.h"

namespace plattera {

// Sizes every layout starts its fits from, in points, on the sheets and on the page alike.
constexpr int kPanelStartSize = 50; // front sheet and back panel
constexpr int kSpineStartSize = 20; // both spines
// The fits never go below this: a text too long even here is drawn at this size.
constexpr int kSmallestFontSize = 1;

// Sets the font size of every canvas.
void setFontSizes(std::initializer_list<Canvas*> canvases, int points);

// The one fitting loop. `measure` is taken in the fonts as they stand; while it is at least
// `bound`, the font of every canvas is lowered by one point (all share the size of the first)
// and the measure is taken again. Ends at kSmallestFontSize whatever the measure. Returns the
// last measure taken, which is below `bound` unless the floor was reached.
long long shrinkToFit(std::initializer_list<Canvas*> canvases, long long bound,
                      const std::function<long long()>& measure);

} // namespace plattera
