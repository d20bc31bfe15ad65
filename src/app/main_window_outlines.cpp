// The three outline boxes and Color.
#include <QCheckBox>

#include "app/main_window.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"

namespace plattera {

void MainWindow::onVerticalLines()
{
    Sheets& s = m_sheets;
    s.leftSpine.setBrushStyle(m_state.savedBrushes.leftSpine);
    s.rightSpine.setBrushStyle(m_state.savedBrushes.rightSpine);
    // The panel is filled with whatever brush it has now.
    fillSheets(s.backStrip());
    if (m_state.backPicture.shown())
        placeBackPicture(s, m_state, inputs());
    if (m_verticalLinesBox->isChecked())
        drawFoldLines(s, m_state.outlineColour, FoldPlacement::Inner);
    if (m_backOutlineBox->isChecked())
        drawBackOutline(s, m_state.outlineColour);
    relayoutStep();
}

void MainWindow::onBackOutline()
{
    Sheets& s = m_sheets;
    s.backPanel.setBrushStyle(m_state.savedBrushes.back);
    s.leftSpine.setBrushStyle(m_state.savedBrushes.leftSpine);
    s.rightSpine.setBrushStyle(m_state.savedBrushes.rightSpine);
    fillSheets(s.backStrip());
    if (m_state.backPicture.shown())
        placeBackPicture(s, m_state, inputs());
    // Outline first, then the fold lines on the spines' panel-side columns.
    if (m_backOutlineBox->isChecked())
        drawBackOutline(s, m_state.outlineColour);
    if (m_verticalLinesBox->isChecked())
        drawFoldLines(s, m_state.outlineColour, FoldPlacement::Edge);
    relayoutStep();
}

void MainWindow::onFrontOutline()
{
    Sheets& s = m_sheets;
    // The front brush keeps the saved style afterwards; only a layout sets it clear.
    s.frontCover.setBrushStyle(m_state.savedBrushes.front);
    fillSheets(std::array {&s.frontCover});
    if (m_state.frontPicture.shown())
        frontPicturePlacement(s, m_state);
    if (m_frontOutlineBox->isChecked())
        drawFrontOutline(s, m_state.outlineColour);
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
    m_state.outlineColour = *chosen;
    runCheckedOutlineHandlers();
    showOutlineColour(*chosen);
}

} // namespace plattera
