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
    state.BackPicture.reset();
    state.FrontPicture.reset();
}

void reloadBackPicture(Sheets& sheets, EditorState& state)
{
    state.BackPicture = loadCoverPicture(state, state.BackPictureFile, sheets.Image5.ppi());
}

void reloadFrontPicture(Sheets& sheets, EditorState& state)
{
    state.FrontPicture = loadCoverPicture(state, state.FrontPictureFile, sheets.Image4.ppi());
}

void stretchBackComposite(Sheets& sheets, const EditorState& state)
{
    if (state.BackPicture)
        sheets.Image5.stretchDraw(QRect(0, 0, sheets.Image5.width(), sheets.Image5.height()),
                                  *state.BackPicture);
}

void copyBackBands(Sheets& s, bool extended)
{
    SheetCanvas& composite = s.Image5;
    const QRect panel(0, 0, s.Image1.width(), s.Image1.height());
    if (extended) {
        const QRect leftBand(0, 0, s.Image2.width(), s.Image2.height());
        const int rightStart = composite.width() - s.Image3.width();
        const QRect rightBand(rightStart, 0, s.Image3.width(), s.Image3.height());
        const QRect middle(s.Image2.width(), 0, rightStart - s.Image2.width(), s.Image3.height());
        s.Image2.copyRect(QRect(0, 0, s.Image2.width(), s.Image2.height()), composite, leftBand);
        s.Image3.copyRect(QRect(0, 0, s.Image3.width(), s.Image3.height()), composite, rightBand);
        s.Image1.copyRect(panel, composite, middle);
    } else {
        s.Image1.copyRect(panel, composite, QRect(0, 0, composite.width(), composite.height()));
    }
}

void backPicturePlacement(Sheets& s, EditorState& state, const CoverInputs& inputs,
                          BackPlacementForm form)
{
    if (form != BackPlacementForm::ImageCommand) {
        reloadBackPicture(s, state);
        if (form != BackPlacementForm::Layout)
            stretchBackComposite(s, state);
    }
    switch (form) {
    case BackPlacementForm::Common:
    case BackPlacementForm::Layout:
        s.Image2.setBrushStyle(state.SavedLeftSpineBrushStyle);
        s.Image3.setBrushStyle(state.SavedRightSpineBrushStyle);
        fillSheets(s.visible());
        break;
    case BackPlacementForm::ImageCommand:
        break;
    case BackPlacementForm::Extend:
        solidWipe(s);
        break;
    }
    copyBackBands(s, inputs.extendBackPicture);
    setBrushes(std::array {&s.Image2, &s.Image3}, BrushStyle::Clear);
}

void frontPicturePlacement(Sheets& s, EditorState& state)
{
    reloadFrontPicture(s, state);
    state.HasFrontPicture = true;
    if (state.FrontPicture)
        s.Image4.stretchDraw(QRect(0, 0, s.Image4.width(), s.Image4.height()), *state.FrontPicture);
}

} // namespace plattera
