#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app_test_util.h"
#include "support/platform/app_fixture.h"

using namespace plattera;

namespace {

const QRgb kBlackPixel = qRgb(0, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

QColor swatch(const MainWindow& form)
{
    return control<ColourSwatch>(form, "Panel2")->palette().color(QPalette::Window);
}

// The figures start-up leaves: back outline, fold lines on the spines' panel-side columns,
// front outline, all in `ink`.
void expectStartUpFigures(Sheets& s, QRgb ink)
{
    const QImage& panel = s.backPanel.image();
    EXPECT_TRUE(AreaIs(panel, QRect(0, 0, 400, 1), ink));
    EXPECT_TRUE(AreaIs(panel, QRect(1, 352, 399, 1), ink));
    EXPECT_TRUE(PixelIs(panel, 0, 352, kWhitePixel))
        << "the bottom stroke ends before the panel's corner";
    EXPECT_TRUE(AreaIs(panel, QRect(0, 1, 1, 351), kWhitePixel)) << "the panel has no sides";
    EXPECT_EQ(CountNot(panel, panel.rect(), kWhitePixel), 400 + 399);

    const QImage& left = s.leftSpine.image();
    EXPECT_TRUE(AreaIs(left, QRect(21, 0, 1, 353), ink)) << "edge placement on the left spine";
    EXPECT_TRUE(AreaIs(left, QRect(20, 1, 1, 351), kWhitePixel))
        << "the inner line of CheckBox1Click is gone";
    EXPECT_TRUE(AreaIs(left, QRect(0, 0, 1, 353), ink));
    EXPECT_TRUE(AreaIs(left, QRect(0, 0, 22, 1), ink));
    EXPECT_TRUE(AreaIs(left, QRect(0, 352, 22, 1), ink));
    EXPECT_EQ(CountNot(left, left.rect(), kWhitePixel), 2 * 353 + 2 * 20);

    const QImage& right = s.rightSpine.image();
    EXPECT_TRUE(AreaIs(right, QRect(0, 0, 1, 353), ink)) << "edge placement on the right spine";
    EXPECT_TRUE(AreaIs(right, QRect(1, 1, 1, 351), kWhitePixel));
    EXPECT_TRUE(AreaIs(right, QRect(21, 0, 1, 353), ink));
    EXPECT_TRUE(AreaIs(right, QRect(0, 0, 22, 1), ink));
    EXPECT_TRUE(AreaIs(right, QRect(0, 352, 22, 1), ink));
    EXPECT_EQ(CountNot(right, right.rect(), kWhitePixel), 2 * 353 + 2 * 20);

    const QImage& front = s.frontCover.image();
    for (QPoint corner : {QPoint(0, 0), QPoint(360, 0), QPoint(0, 352), QPoint(360, 352)})
        EXPECT_TRUE(PixelIs(front, corner.x(), corner.y(), ink));
    EXPECT_TRUE(AreaIs(front, QRect(0, 0, 361, 1), ink));
    EXPECT_TRUE(AreaIs(front, QRect(0, 352, 361, 1), ink));
    EXPECT_TRUE(AreaIs(front, QRect(0, 0, 1, 353), ink));
    EXPECT_TRUE(AreaIs(front, QRect(360, 0, 1, 353), ink));
    EXPECT_EQ(CountNot(front, front.rect(), kWhitePixel), 2 * 361 + 2 * 351);
}

using OutlineCommands = AppFixture;

TEST_F(OutlineCommands, StartUpDrawsEdgeFoldLinesAndBothOutlinesInBlack)
{
    expectStartUpFigures(sheets(), kBlackPixel);
    EXPECT_EQ(swatch(mainWindow()), QColor(Qt::black));
    EXPECT_FALSE(state.centredMode);
    EXPECT_FALSE(state.textLaidOut);
    EXPECT_FALSE(sheets().backComposite.created()) << "start-up leaves the composite alone";
}

TEST_F(OutlineCommands, ColorRedrawsCheckedFiguresInTheChosenColourAndShowsItInTheSwatch)
{
    const Colour red = 0x0000FF;
    platform.colourAnswers.push_back(red);
    control<QPushButton>(mainWindow(), "Button2")->click();

    ASSERT_EQ(platform.colourRequests.size(), 1u);
    EXPECT_EQ(platform.colourRequests[0], 0u) << "the dialog starts black";
    EXPECT_EQ(state.outlineColour, red);
    EXPECT_EQ(swatch(mainWindow()), QColor(255, 0, 0));
    expectStartUpFigures(sheets(), qRgb(255, 0, 0));

    // The dialog keeps its last choice, also after New Cover has put the outlines back to black.
    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    EXPECT_EQ(state.outlineColour, 0u);
    EXPECT_EQ(swatch(mainWindow()), QColor(Qt::black));
    control<QPushButton>(mainWindow(), "Button2")->click();
    ASSERT_EQ(platform.colourRequests.size(), 2u);
    EXPECT_EQ(platform.colourRequests[1], red);
}

TEST_F(OutlineCommands, CancelledColorChangesNothing)
{
    const SheetPixels before(sheets());
    control<QPushButton>(mainWindow(), "Button2")
        ->click(); // no scripted answer: the dialog is cancelled
    EXPECT_EQ(platform.colourRequests.size(), 1u);
    EXPECT_EQ(state.outlineColour, 0u);
    EXPECT_EQ(swatch(mainWindow()), QColor(Qt::black));
    EXPECT_TRUE(SameSheets(before, SheetPixels(sheets())));
}

TEST_F(OutlineCommands, ColorWithAllBoxesClearedOnlyChangesTheColour)
{
    control<QCheckBox>(mainWindow(), "CheckBox1")->click();
    control<QCheckBox>(mainWindow(), "CheckBox2")->click();
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    const SheetPixels cleared(sheets());
    EXPECT_EQ(CountNot(cleared.panel, cleared.panel.rect(), kWhitePixel), 0);
    EXPECT_EQ(CountNot(cleared.front, cleared.front.rect(), kWhitePixel), 0);

    const Colour green = 0x008000;
    platform.colourAnswers.push_back(green);
    control<QPushButton>(mainWindow(), "Button2")->click();
    EXPECT_EQ(state.outlineColour, green);
    EXPECT_EQ(swatch(mainWindow()), QColor(0, 128, 0));
    EXPECT_TRUE(SameSheets(cleared, SheetPixels(sheets())));

    // The next figure drawn takes the new colour.
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    EXPECT_TRUE(PixelIs(sheets().frontCover.image(), 360, 352, qRgb(0, 128, 0)));
}

TEST_F(OutlineCommands, ClearingVerticalLinesLeavesTheBackOutlineWithItsOpenCorners)
{
    control<QCheckBox>(mainWindow(), "CheckBox1")->click();
    EXPECT_FALSE(control<QCheckBox>(mainWindow(), "CheckBox1")->isChecked());
    const QImage& right = sheets().rightSpine.image();
    EXPECT_TRUE(PixelIs(right, 0, 352, kWhitePixel))
        << "the last stroke of the right spine stops short";
    EXPECT_TRUE(PixelIs(right, 21, 352, kBlackPixel));
    EXPECT_TRUE(AreaIs(right, QRect(0, 1, 2, 351), kWhitePixel));
    EXPECT_TRUE(AreaIs(sheets().leftSpine.image(), QRect(20, 1, 2, 351), kWhitePixel));
    EXPECT_TRUE(PixelIs(sheets().backPanel.image(), 0, 352, kWhitePixel));

    // Checking it again draws the inner placement, over the back outline.
    control<QCheckBox>(mainWindow(), "CheckBox1")->click();
    EXPECT_TRUE(AreaIs(sheets().leftSpine.image(), QRect(20, 0, 1, 353), kBlackPixel));
    EXPECT_TRUE(AreaIs(sheets().rightSpine.image(), QRect(1, 0, 1, 353), kBlackPixel));
    EXPECT_TRUE(AreaIs(sheets().leftSpine.image(), QRect(21, 1, 1, 351), kWhitePixel));
}

TEST_F(OutlineCommands, ClearingFrontLeavesTheBackSheetsAlone)
{
    const SheetPixels before(sheets());
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    const SheetPixels after(sheets());
    EXPECT_TRUE(ImagesEqual(before.panel, after.panel));
    EXPECT_TRUE(ImagesEqual(before.leftSpine, after.leftSpine));
    EXPECT_TRUE(ImagesEqual(before.rightSpine, after.rightSpine));
    EXPECT_EQ(CountNot(after.front, after.front.rect(), kWhitePixel), 0);
    EXPECT_EQ(sheets().frontCover.brushStyle(), BrushStyle::Solid)
        << "the front keeps its saved style";
}

} // namespace
