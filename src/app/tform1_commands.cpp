// New Cover, Edit Tracks, Close, About and the link: the commands of the window itself.
#include <QCheckBox>

#include "app/bit_btn.h"
#include "app/tform1.h"
#include "app/tform3.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"
#include "app/tform2.h"

namespace plattera {

void TForm1::BitBtn6Click()
{
    Sheets& s = m_sheets;
    EditorState& st = m_state;

    // A box that was cleared runs its handler now, against the cover as it still is; a failure
    // there ends New Cover before anything is reset.
    checkFromProgram(CheckBox1, &TForm1::CheckBox1Click);
    checkFromProgram(CheckBox2, &TForm1::CheckBox2Click);
    checkFromProgram(CheckBox3, &TForm1::CheckBox3Click);
    checkFromProgram(CheckBox6, &TForm1::CheckBox6Click);

    st.HasBackPicture = false;
    st.HasFrontPicture = false;
    st.TextLaidOut = false;

    st.BackFontName = kFallbackFace;
    st.BackFontColor = 0;
    st.FrontFontName = kFallbackFace;
    st.FrontFontColor = 0;

    Button1->setEnabled(false);
    BitBtn1->setEnabled(false);
    BitBtn2->setEnabled(false);

    if (m_form2) {
        m_form2->resetForNewCover();
    } else {
        st.HasTracks = false;
        st.TrackCount = 0;
        st.LongestTrack.clear();
    }

    setBrushes(s.visible(), BrushStyle::Solid);
    fillSheets(s.visible());

    st.OutlineColor = 0;
    setPanel2Colour(0);

    // The boxes were all checked above, so the whole layer is drawn: black, inner fold lines.
    // The figures are strokes, which no brush changes.
    redrawOutlineLayer(s, st.OutlineColor, inputs(), FoldPlacement::Inner);

    st.CentredMode = false;
    refreshSheets();
}

void TForm1::button3Click()
{
    if (m_form2)
        m_platform.runModal(*m_form2);
    // However the editor was closed, by Continue or by its close box.
    Button1->setEnabled(true);
    button4->setEnabled(true);
    BitBtn1->setEnabled(true);
    BitBtn2->setEnabled(true);
}

void TForm1::BitBtn3Click()
{
    close();
}

void TForm1::BitBtn4Click()
{
    if (m_form3)
        m_platform.runModal(*m_form3);
}

void TForm1::Label4Click()
{
    m_platform.openUrl(kCoverImagesUrl);
}

} // namespace plattera
