// Font type/color, Left, "No text on front cover" and the left-aligned layout as the main
// window runs it.
#include "app/tform1.h"
#include "text/layouts.h"
#include "app/tform2.h"

namespace plattera {

void TForm1::Button1Click()
{
    if (const std::optional<FontChoice> choice = m_platform.chooseFont(this, FontDialog1Font)) {
        FontDialog1Font = *choice;
        // Only face and colour: the layouts choose the sizes, and style and effects are not
        // part of the cover.
        if (inputs().page == NotebookPage::Back) {
            m_state.setBackFontName(choice->face);
            m_state.BackFontColor = choice->colour;
        } else {
            m_state.setFrontFontName(choice->face);
            m_state.FrontFontColor = choice->colour;
        }
    }
    // Cancelled or not, and whether or not texts were laid out before.
    if (m_state.CentredMode)
        BitBtn1Click();
    else
        runLeftLayout();
}

void TForm1::BitBtn2Click()
{
    m_state.CentredMode = false;
    runLeftLayout();
}

void TForm1::CheckBox4Click()
{
    relayoutStep();
}

void TForm1::runLeftLayout()
{
    LeftAlignedLayout(m_sheets, m_state, inputs());
    if (m_form2 && m_form2->isVisible())
        m_form2->close();
}

} // namespace plattera
