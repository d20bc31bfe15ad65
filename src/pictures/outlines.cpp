#include "pictures/outlines.h"

#include "pictures/repaint.h"

namespace plattera {

void drawFoldLines(Sheets& sheets, Colour colour, FoldPlacement placement)
{
    const int leftColumn = placement == FoldPlacement::Edge ? 21 : 20;
    const int rightColumn = placement == FoldPlacement::Inner ? 1 : 0;

    SheetCanvas& left = sheets.leftSpine;
    left.setPenColour(colour);
    left.moveTo(leftColumn, 0);
    left.lineTo(leftColumn, left.height());

    SheetCanvas& right = sheets.rightSpine;
    right.setPenColour(colour);
    right.moveTo(rightColumn, 0);
    right.lineTo(rightColumn, right.height());
}

void drawBackOutline(Sheets& sheets, Colour colour)
{
    SheetCanvas& panel = sheets.backPanel;
    SheetCanvas& left = sheets.leftSpine;
    SheetCanvas& right = sheets.rightSpine;
    panel.setPenColour(colour);
    left.setPenColour(colour);
    right.setPenColour(colour);

    left.moveTo(0, 0);
    left.lineTo(22, 0);

    panel.moveTo(0, 0);
    panel.lineTo(400, 0);

    right.moveTo(0, 0);
    right.lineTo(21, 0);
    right.lineTo(21, 352);
    right.lineTo(0, 352);

    panel.moveTo(399, 352);
    panel.lineTo(0, 352);

    left.moveTo(21, 352);
    left.lineTo(0, 352);
    left.lineTo(0, 0);
}

void drawFrontOutline(Sheets& sheets, Colour colour)
{
    SheetCanvas& front = sheets.frontCover;
    front.setPenColour(colour);
    front.moveTo(0, 0);
    front.lineTo(360, 0);
    front.lineTo(360, 352);
    front.lineTo(0, 352);
    front.lineTo(0, 0);
}

void drawOutlineLayer(Sheets& sheets, Colour colour, const CoverInputs& inputs, FoldPlacement folds)
{
    if (inputs.verticalLines)
        drawFoldLines(sheets, colour, folds);
    if (inputs.backOutline)
        drawBackOutline(sheets, colour);
    if (inputs.frontOutline)
        drawFrontOutline(sheets, colour);
}

void redrawOutlineLayer(Sheets& sheets, Colour colour, const CoverInputs& inputs,
                        FoldPlacement folds)
{
    drawOutlineLayer(sheets, colour, inputs, folds);
    if (inputs.verticalLines || inputs.backOutline || inputs.frontOutline)
        setBrushes(sheets.visible(), BrushStyle::Clear);
}

} // namespace plattera
