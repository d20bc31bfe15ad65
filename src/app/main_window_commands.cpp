// New Cover, Edit Tracks, Close, About and the link: the commands of the window itself.
#include <QCheckBox>

#include "app/glyph_button.h"
#include "app/main_window.h"
#include "app/about_window.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"
#include "app/track_editor.h"

namespace plattera {

void MainWindow::onNewCover()
{
    Sheets& s = m_sheets;
    EditorState& st = m_state;

    // A box that was cleared runs its handler now, against the cover as it still is; a failure
    // there ends New Cover before anything is reset.
    checkFromProgram(m_verticalLinesBox, &MainWindow::onVerticalLines);
    checkFromProgram(m_backOutlineBox, &MainWindow::onBackOutline);
    checkFromProgram(m_frontOutlineBox, &MainWindow::onFrontOutline);
    checkFromProgram(m_extendBackPictureBox, &MainWindow::onExtendBackPicture);

    st.backPicture.hide();
    st.frontPicture.hide();
    st.textLaidOut = false;

    st.backFont.setFace(kFallbackFace);
    st.backFont.setColour(0);
    st.frontFont.setFace(kFallbackFace);
    st.frontFont.setColour(0);

    m_fontButton->setEnabled(false);
    m_centreButton->setEnabled(false);
    m_leftButton->setEnabled(false);

    st.trackMeasures.longest.clear();
    if (m_trackEditor)
        m_trackEditor->resetForNewCover();

    setBrushes(s.visible(), BrushStyle::Solid);
    fillSheets(s.visible());

    st.outlineColour = 0;
    showOutlineColour(0);

    // The boxes were all checked above, so the whole layer is drawn: black, inner fold lines.
    // The figures are strokes, which no brush changes.
    redrawOutlineLayer(s, st.outlineColour, inputs(), FoldPlacement::Inner);

    st.centredMode = false;
    refreshSheets();
}

void MainWindow::onEditTracks()
{
    if (m_trackEditor)
        m_platform.runModal(*m_trackEditor);
    // However the editor was closed, by Continue or by its close box.
    m_fontButton->setEnabled(true);
    m_printButton->setEnabled(true);
    m_centreButton->setEnabled(true);
    m_leftButton->setEnabled(true);
}

void MainWindow::onClose()
{
    close();
}

void MainWindow::onAbout()
{
    if (m_aboutWindow)
        m_platform.runModal(*m_aboutWindow);
}

void MainWindow::onLink()
{
    m_platform.openUrl(kCoverImagesUrl);
}

} // namespace plattera
