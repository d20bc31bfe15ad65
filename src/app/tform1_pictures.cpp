// Image, Center, "Extend back picture" and the re-layout step: the commands that place the
// pictures and then lay the texts out again.
#include <optional>

#include <QTabWidget>

#include "app/tform1.h"
#include "model/errors.h"
#include "pictures/outlines.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_store.h"
#include "pictures/repaint.h"
#include "text/layouts.h"

namespace plattera {

void TForm1::relayoutStep()
{
    if (!m_state.TextLaidOut)
        return;
    if (m_state.CentredMode)
        BitBtn1Click();
    else
        runLeftLayout();
}

void TForm1::BitBtn5Click()
{
    placePictureOrUndo([this] {
        const PictureDialogSetup setup = PictureDialogSettings();
        return m_platform.choosePictureFile(
            this,
            PictureDialogRequest {setup.filter, setup.defaultExtension, OpenPictureDialog1File});
    });
}

void TForm1::dropPicture(const QString& file, NotebookPage page)
{
    TabbedNotebook1->setCurrentIndex(page == NotebookPage::Front ? 1 : 0);
    placePictureOrUndo([file] { return std::optional<QString>(file); });
}

void TForm1::placePictureOrUndo(const std::function<std::optional<QString>()>& choose)
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

void TForm1::chooseAndPlacePicture(const std::function<std::optional<QString>()>& choose)
{
    Sheets& s = m_sheets;
    EditorState& st = m_state;
    const CoverInputs in = inputs();

    fillSheets(s.visible());
    st.SavedBackBrushStyle = s.Image1.brushStyle();
    st.SavedFrontBrushStyle = s.Image4.brushStyle();
    st.SavedRightSpineBrushStyle = s.Image3.brushStyle();
    st.SavedLeftSpineBrushStyle = s.Image2.brushStyle();

    const std::optional<QString> chosen = choose();
    if (chosen) {
        OpenPictureDialog1File = *chosen;
        // A missing file is no failure; its name is kept and it simply draws nothing.
        if (in.page == NotebookPage::Back) {
            setBrushes(s.visible(), BrushStyle::Clear);
            std::optional<Picture> picture = loadCoverPicture(st, *chosen, s.Image5.ppi());
            st.BackPictureFile = *chosen;
            st.BackPicture = std::move(picture);
            st.HasBackPicture = true;
            stretchBackComposite(s, st);
            backPicturePlacement(s, st, in, BackPlacementForm::ImageCommand);
        } else {
            std::optional<Picture> picture = loadCoverPicture(st, *chosen, s.Image4.ppi());
            st.FrontPictureFile = *chosen;
            st.FrontPicture = std::move(picture);
            setBrushes(s.visible(), BrushStyle::Clear);
            st.HasFrontPicture = true;
            if (st.FrontPicture)
                s.Image4.stretchDraw(QRect(0, 0, s.Image4.width(), s.Image4.height()),
                                     *st.FrontPicture);
        }
    }

    relayoutStep();
    redrawOutlineLayer(s, st.OutlineColor, in, FoldPlacement::Inner);
}

void TForm1::BitBtn1Click()
{
    Sheets& s = m_sheets;
    const CoverInputs in = inputs();
    wipeCover(s, m_state);
    if (m_state.HasBackPicture)
        backPicturePlacement(s, m_state, in, BackPlacementForm::Common);
    if (m_state.HasFrontPicture)
        frontPicturePlacement(s, m_state);
    CentredLayout(s, m_state, in);
}

void TForm1::CheckBox6Click()
{
    if (!m_state.HasBackPicture)
        return;
    Sheets& s = m_sheets;
    const CoverInputs in = inputs();
    backPicturePlacement(s, m_state, in, BackPlacementForm::Extend);
    if (m_state.HasFrontPicture)
        frontPicturePlacement(s, m_state);
    relayoutStep();
    redrawOutlineLayer(s, m_state.OutlineColor, in, FoldPlacement::Mixed);
}

} // namespace plattera
