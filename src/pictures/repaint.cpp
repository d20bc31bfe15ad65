#include "pictures/repaint.h"

#include "pictures/picture_store.h"

namespace plattera {

void fillSheets(std::span<SheetCanvas* const> sheets)
{
    for (SheetCanvas* sheet : sheets)
        sheet->fillRect(0, 0, sheet->width(), sheet->height());
}

void setBrushes(std::span<SheetCanvas* const> sheets, BrushStyle style)
{
    for (SheetCanvas* sheet : sheets)
        sheet->setBrushStyle(style);
}

void solidWipe(Sheets& s)
{
    setBrushes(s.visible(), BrushStyle::Solid);
    fillSheets(s.visible());
    setBrushes(s.visible(), BrushStyle::Clear);
}

void wipeCover(Sheets& sheets, EditorState& state)
{
    solidWipe(sheets);
    state.backPicture.dropBitmap();
    state.frontPicture.dropBitmap();
}

void reloadBackPicture(Sheets& sheets, EditorState& state)
{
    state.backPicture.reload(
        loadCoverPicture(state, state.backPicture.file(), sheets.backComposite.ppi()));
}

void reloadFrontPicture(Sheets& sheets, EditorState& state)
{
    state.frontPicture.reload(
        loadCoverPicture(state, state.frontPicture.file(), sheets.frontCover.ppi()));
}

void stretchBackComposite(Sheets& sheets, const EditorState& state)
{
    if (state.backPicture.bitmap())
        sheets.backComposite.stretchDraw(
            QRect(0, 0, sheets.backComposite.width(), sheets.backComposite.height()),
            *state.backPicture.bitmap());
}

void copyBackBands(Sheets& s, bool extended)
{
    SheetCanvas& composite = s.backComposite;
    const QRect panel(0, 0, s.backPanel.width(), s.backPanel.height());
    if (extended) {
        const QRect leftBand(0, 0, s.leftSpine.width(), s.leftSpine.height());
        const int rightStart = composite.width() - s.rightSpine.width();
        const QRect rightBand(rightStart, 0, s.rightSpine.width(), s.rightSpine.height());
        const QRect middle(s.leftSpine.width(), 0, rightStart - s.leftSpine.width(),
                           s.rightSpine.height());
        s.leftSpine.copyRect(QRect(0, 0, s.leftSpine.width(), s.leftSpine.height()), composite,
                             leftBand);
        s.rightSpine.copyRect(QRect(0, 0, s.rightSpine.width(), s.rightSpine.height()), composite,
                              rightBand);
        s.backPanel.copyRect(panel, composite, middle);
    } else {
        s.backPanel.copyRect(panel, composite, QRect(0, 0, composite.width(), composite.height()));
    }
}

void spreadBackBands(Sheets& s, bool extended)
{
    copyBackBands(s, extended);
    setBrushes(std::array {&s.leftSpine, &s.rightSpine}, BrushStyle::Clear);
}

void fillWithSavedSpineBrushes(Sheets& s, const EditorState& state)
{
    s.leftSpine.setBrushStyle(state.savedBrushes.leftSpine);
    s.rightSpine.setBrushStyle(state.savedBrushes.rightSpine);
    fillSheets(s.visible());
}

void placeBackPicture(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    reloadBackPicture(s, state);
    stretchBackComposite(s, state);
    fillWithSavedSpineBrushes(s, state);
    spreadBackBands(s, inputs.extendBackPicture);
}

void frontPicturePlacement(Sheets& s, EditorState& state)
{
    reloadFrontPicture(s, state);
    state.frontPicture.show();
    if (state.frontPicture.bitmap())
        s.frontCover.stretchDraw(QRect(0, 0, s.frontCover.width(), s.frontCover.height()),
                                 *state.frontPicture.bitmap());
}

} // namespace plattera
