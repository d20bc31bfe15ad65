#pragma once

#include <array>

#include "model/sheet_canvas.h"

namespace plattera {

// The five cover sheets, all 353 pixels high. The back strip on screen is the left spine,
// the panel and the right spine overlapping by one column at each join (442 columns, the
// width of the hidden composite).
struct Sheets {
    explicit Sheets(int ppi)
        : Image1(400, 353, ppi), Image2(22, 353, ppi), Image3(22, 353, ppi), Image4(361, 353, ppi),
          Image5(442, 353, ppi)
    {
    }

    SheetCanvas Image1; // back panel: the track list
    SheetCanvas Image2; // left spine
    SheetCanvas Image3; // right spine
    SheetCanvas Image4; // front cover
    SheetCanvas Image5; // hidden back composite: one back picture spread over 442 columns

    std::array<SheetCanvas*, 4> visible() { return {&Image1, &Image2, &Image3, &Image4}; }
    // The panel and the two spines, the sheets of the back insert.
    std::array<SheetCanvas*, 3> backStrip() { return {&Image1, &Image2, &Image3}; }
};

} // namespace plattera
