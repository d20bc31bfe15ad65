// Image, Center, "Extend back picture" and the re-layout step: the commands that place the
// pictures and then lay the texts out again.
#include <optional>

#include <QTabWidget>

#include "app/main_window.h"
#include "model/errors.h"
#include "pictures/outlines.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_store.h"
#include "pictures/repaint.h"
#include "text/layouts.h"

namespace plattera {

void MainWindow::relayoutStep()
{
    if (!m_state.textLaidOut)
        return;
    if (m_state.centredMode)
        onCentre();
    else
        runLeftLayout();
}

void MainWindow::onImage()
{
    placePictureOrUndo([this] {
        return m_platform.choosePictureFile(this,
                                            PictureDialogRequest {m_pictureDialog.filters,
                                                                  m_pictureDialog.defaultExtension,
                                                                  m_pictureDialogFile});
    });
}

void MainWindow::dropPicture(const QString& file, NotebookPage page)
{
    m_notebook->setCurrentIndex(page == NotebookPage::Front ? 1 : 0);
    placePictureOrUndo([file] { return std::optional<QString>(file); });
}

void MainWindow::placePictureOrUndo(const std::function<std::optional<QString>()>& choose)
{
    // A picture that cannot be read costs the user nothing: the sheets (pixels and brushes) and
    // the cover's state go back to how they were, whichever step failed. Copies share the
    // pixels until something is drawn, so this costs little.
    const Sheets sheetsBefore = m_sheets;
    const EditorState stateBefore = m_state;
    try {
        chooseAndPlacePicture(choose);
    } catch (...) {
        m_sheets = sheetsBefore;
        m_state = stateBefore;
        throw;
    }
}

void MainWindow::chooseAndPlacePicture(const std::function<std::optional<QString>()>& choose)
{
    Sheets& s = m_sheets;
    EditorState& st = m_state;
    const CoverInputs in = inputs();

    fillSheets(s.visible());
    st.savedBrushes.back = s.backPanel.brushStyle();
    st.savedBrushes.front = s.frontCover.brushStyle();
    st.savedBrushes.rightSpine = s.rightSpine.brushStyle();
    st.savedBrushes.leftSpine = s.leftSpine.brushStyle();

    const std::optional<QString> chosen = choose();
    if (chosen) {
        m_pictureDialogFile = *chosen;
        // A missing file is no failure; its name is kept and it simply draws nothing.
        if (in.page == NotebookPage::Back) {
            setBrushes(s.visible(), BrushStyle::Clear);
            std::optional<Picture> picture = loadCoverPicture(st, *chosen, s.backComposite.ppi());
            st.backPicture.choose(*chosen, std::move(picture));
            stretchBackComposite(s, st);
            spreadBackBands(s, in.extendBackPicture);
        } else {
            std::optional<Picture> picture = loadCoverPicture(st, *chosen, s.frontCover.ppi());
            st.frontPicture.choose(*chosen, std::move(picture));
            setBrushes(s.visible(), BrushStyle::Clear);
            if (st.frontPicture.bitmap())
                s.frontCover.stretchDraw(QRect(0, 0, s.frontCover.width(), s.frontCover.height()),
                                         *st.frontPicture.bitmap());
        }
    }

    relayoutStep();
    redrawOutlineLayer(s, st.outlineColour, in, FoldPlacement::Inner);
}

void MainWindow::onCentre()
{
    Sheets& s = m_sheets;
    const CoverInputs in = inputs();
    wipeCover(s, m_state);
    if (m_state.backPicture.shown())
        placeBackPicture(s, m_state, in);
    if (m_state.frontPicture.shown())
        frontPicturePlacement(s, m_state);
    centredLayout(s, m_state, in);
}

void MainWindow::onExtendBackPicture()
{
    if (!m_state.backPicture.shown())
        return;
    Sheets& s = m_sheets;
    const CoverInputs in = inputs();
    reloadBackPicture(s, m_state);
    stretchBackComposite(s, m_state);
    solidWipe(s);
    spreadBackBands(s, in.extendBackPicture);
    if (m_state.frontPicture.shown())
        frontPicturePlacement(s, m_state);
    relayoutStep();
    redrawOutlineLayer(s, m_state.outlineColour, in, FoldPlacement::Mixed);
}

} // namespace plattera
