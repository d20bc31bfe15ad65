#pragma once

#include <array>

#include "model/sheet_canvas.h"

namespace plattera {

// The five cover sheets, all 353 pixels high. The back strip on screen is the left spine,
// the panel and the right spine overlapping by one column at each join (442 columns, the
// width of the hidden composite).
struct Sheets {
    explicit Sheets(int ppi)
        : backPanel(400, 353, ppi), leftSpine(22, 353, ppi), rightSpine(22, 353, ppi),
          frontCover(361, 353, ppi), backComposite(442, 353, ppi)
    {
    }

    SheetCanvas backPanel;     // back panel: the track list
    SheetCanvas leftSpine;     // left spine
    SheetCanvas rightSpine;    // right spine
    SheetCanvas frontCover;    // front cover
    SheetCanvas backComposite; // hidden back composite: one back picture spread over 442 columns

    std::array<SheetCanvas*, 4> visible()
    {
        return {&backPanel, &leftSpine, &rightSpine, &frontCover};
    }
    // The panel and the two spines, the sheets of the back insert.
    std::array<SheetCanvas*, 3> backStrip() { return {&backPanel, &leftSpine, &rightSpine}; }
};

} // namespace plattera
