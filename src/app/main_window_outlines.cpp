// The three outline boxes and Color.
#include <QCheckBox>

#include "app/main_window.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"

namespace plattera {

void MainWindow::onVerticalLines()
{
    Sheets& s = m_sheets;
    s.leftSpine.setBrushStyle(m_state.SavedLeftSpineBrushStyle);
    s.rightSpine.setBrushStyle(m_state.SavedRightSpineBrushStyle);
    // The panel is filled with whatever brush it has now.
    fillSheets(s.backStrip());
    if (m_state.HasBackPicture)
        backPicturePlacement(s, m_state, inputs(), BackPlacementForm::Common);
    if (m_verticalLinesBox->isChecked())
        drawFoldLines(s, m_state.OutlineColor, FoldPlacement::Inner);
    if (m_backOutlineBox->isChecked())
        drawBackOutline(s, m_state.OutlineColor);
    relayoutStep();
}

void MainWindow::onBackOutline()
{
    Sheets& s = m_sheets;
    s.backPanel.setBrushStyle(m_state.SavedBackBrushStyle);
    s.leftSpine.setBrushStyle(m_state.SavedLeftSpineBrushStyle);
    s.rightSpine.setBrushStyle(m_state.SavedRightSpineBrushStyle);
    fillSheets(s.backStrip());
    if (m_state.HasBackPicture)
        backPicturePlacement(s, m_state, inputs(), BackPlacementForm::Common);
    // Outline first, then the fold lines on the spines' panel-side columns.
    if (m_backOutlineBox->isChecked())
        drawBackOutline(s, m_state.OutlineColor);
    if (m_verticalLinesBox->isChecked())
        drawFoldLines(s, m_state.OutlineColor, FoldPlacement::Edge);
    relayoutStep();
}

void MainWindow::onFrontOutline()
{
    Sheets& s = m_sheets;
    // The front brush keeps the saved style afterwards; only a layout sets it clear.
    s.frontCover.setBrushStyle(m_state.SavedFrontBrushStyle);
    fillSheets(std::array {&s.frontCover});
    if (m_state.HasFrontPicture)
        frontPicturePlacement(s, m_state);
    if (m_frontOutlineBox->isChecked())
        drawFrontOutline(s, m_state.OutlineColor);
    relayoutStep();
}

void MainWindow::runCheckedOutlineHandlers()
{
    if (m_verticalLinesBox->isChecked())
        onVerticalLines();
    if (m_backOutlineBox->isChecked())
        onBackOutline();
    if (m_frontOutlineBox->isChecked())
        onFrontOutline();
}

void MainWindow::onOutlineColour()
{
    const std::optional<Colour> chosen = m_platform.chooseColour(this, m_colourDialogColour);
    if (!chosen)
        return;
    // The dialog opens with this colour next time, also after New Cover has reset the outlines.
    m_colourDialogColour = *chosen;
    m_state.OutlineColor = *chosen;
    runCheckedOutlineHandlers();
    showOutlineColour(*chosen);
}

} // namespace plattera
