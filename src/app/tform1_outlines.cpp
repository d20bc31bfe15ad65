// The three outline boxes and Color.
#include <QCheckBox>

#include "app/tform1.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"

namespace plattera {

void TForm1::CheckBox1Click()
{
    Sheets& s = m_sheets;
    s.Image2.setBrushStyle(m_state.SavedLeftSpineBrushStyle);
    s.Image3.setBrushStyle(m_state.SavedRightSpineBrushStyle);
    // The panel is filled with whatever brush it has now.
    fillSheets(s.backStrip());
    if (m_state.HasBackPicture)
        backPicturePlacement(s, m_state, inputs(), BackPlacementForm::Common);
    if (CheckBox1->isChecked())
        drawFoldLines(s, m_state.OutlineColor, FoldPlacement::Inner);
    if (CheckBox2->isChecked())
        drawBackOutline(s, m_state.OutlineColor);
    relayoutStep();
}

void TForm1::CheckBox2Click()
{
    Sheets& s = m_sheets;
    s.Image1.setBrushStyle(m_state.SavedBackBrushStyle);
    s.Image2.setBrushStyle(m_state.SavedLeftSpineBrushStyle);
    s.Image3.setBrushStyle(m_state.SavedRightSpineBrushStyle);
    fillSheets(s.backStrip());
    if (m_state.HasBackPicture)
        backPicturePlacement(s, m_state, inputs(), BackPlacementForm::Common);
    // Outline first, then the fold lines on the spines' panel-side columns.
    if (CheckBox2->isChecked())
        drawBackOutline(s, m_state.OutlineColor);
    if (CheckBox1->isChecked())
        drawFoldLines(s, m_state.OutlineColor, FoldPlacement::Edge);
    relayoutStep();
}

void TForm1::CheckBox3Click()
{
    Sheets& s = m_sheets;
    // The front brush keeps the saved style afterwards; only a layout sets it clear.
    s.Image4.setBrushStyle(m_state.SavedFrontBrushStyle);
    fillSheets(std::array {&s.Image4});
    if (m_state.HasFrontPicture)
        frontPicturePlacement(s, m_state);
    if (CheckBox3->isChecked())
        drawFrontOutline(s, m_state.OutlineColor);
    relayoutStep();
}

void TForm1::runCheckedOutlineHandlers()
{
    if (CheckBox1->isChecked())
        CheckBox1Click();
    if (CheckBox2->isChecked())
        CheckBox2Click();
    if (CheckBox3->isChecked())
        CheckBox3Click();
}

void TForm1::Button2Click()
{
    const std::optional<Colour> chosen = m_platform.chooseColour(this, ColorDialog1Colour);
    if (!chosen)
        return;
    // The dialog opens with this colour next time, also after New Cover has reset the outlines.
    ColorDialog1Colour = *chosen;
    m_state.OutlineColor = *chosen;
    runCheckedOutlineHandlers();
    setPanel2Colour(*chosen);
}

} // namespace plattera
