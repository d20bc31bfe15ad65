// Font type/color, Left, "No text on front cover" and the left-aligned layout as the main
// window runs it.
#include "app/main_window.h"
#include "text/layouts.h"
#include "app/track_editor.h"

namespace plattera {

void MainWindow::onFontTypeColour()
{
    if (const std::optional<FontChoice> choice = m_platform.chooseFont(this, m_fontDialogFont)) {
        m_fontDialogFont = *choice;
        // Only face and colour: the layouts choose the sizes, and style and effects are not
        // part of the cover.
        if (inputs().page == NotebookPage::Back) {
            m_state.backFont.setFace(choice->face);
            m_state.backFont.setColour(choice->colour);
        } else {
            m_state.frontFont.setFace(choice->face);
            m_state.frontFont.setColour(choice->colour);
        }
    }
    // Cancelled or not, and whether or not texts were laid out before.
    if (m_state.centredMode)
        onCentre();
    else
        runLeftLayout();
}

void MainWindow::onLeft()
{
    m_state.centredMode = false;
    runLeftLayout();
}

void MainWindow::onNoFrontText()
{
    relayoutStep();
}

void MainWindow::runLeftLayout()
{
    leftAlignedLayout(m_sheets, m_state, inputs());
    if (m_trackEditor && m_trackEditor->isVisible() && !m_keepTrackEditorOpen)
        m_trackEditor->close();
}

} // namespace plattera
