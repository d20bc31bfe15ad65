#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app/font_dialog.h"
#include "app_test_util.h"
#include "support/platform/app_fixture.h"

using namespace plattera;

namespace {

const QRgb kPaper = qRgb(255, 255, 255);
const QRgb kLightYellow = qRgb(255, 255, 170);

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 110;
}

// Columns of the dark ink in a band of rows.
QRect darkBounds(const QImage& image, const QRect& band)
{
    QRect bounds;
    for (int x = band.left(); x <= band.right(); ++x)
        for (int y = band.top(); y <= band.bottom(); ++y)
            if (isDark(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int countRedPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100;
        }
    return n;
}

class TextCommands : public AppFixture {
protected:
    QTemporaryDir dir;

    void run(void (MainWindow::*handler)())
    {
        mainWindow().runCommand([this, handler] { (mainWindow().*handler)(); });
    }
    void enterCover()
    {
        control<QLineEdit>(trackEditor(), "Edit3")->setText(QStringLiteral("Artist"));
        control<QLineEdit>(trackEditor(), "Edit2")->setText(QStringLiteral("Title"));
        for (const char* track : {"ab", "cd"}) {
            control<QLineEdit>(trackEditor(), "Edit1")->setText(QString::fromLatin1(track));
            trackEditor().onInsert();
        }
    }
    void continueLayout()
    {
        enterCover();
        trackEditor().onContinue();
    }
    // The ink of track line 0.
    QRect firstTrack()
    {
        return darkBounds(sheets().backPanel.image(),
                          QRect(2, 4, 396, state.trackMeasures.lineHeight));
    }
    void expectLeftAligned(const char* after)
    {
        const QRect ink = firstTrack();
        EXPECT_GE(ink.left(), 10) << "after " << after;
        EXPECT_LE(ink.left(), 20) << "after " << after;
        EXPECT_FALSE(state.centredMode) << "after " << after;
    }
    void expectCentred(const char* after)
    {
        const QRect ink = firstTrack();
        EXPECT_GT(ink.left(), 60) << "after " << after;
        EXPECT_NEAR(ink.center().x(), 200, 5) << "after " << after;
        EXPECT_TRUE(state.centredMode) << "after " << after;
    }
    FontChoice font(const QString& face, Colour colour)
    {
        FontChoice choice;
        choice.face = face;
        choice.colour = colour;
        return choice;
    }
};

TEST_F(TextCommands, CenterStaysThroughEveryLaterRelayoutUntilLeftOrContinue)
{
    continueLayout();
    expectLeftAligned("Continue");
    run(&MainWindow::onCentre);
    expectCentred("Center");

    control<QCheckBox>(mainWindow(), "CheckBox4")->click();
    expectCentred("No text on front cover");
    EXPECT_EQ(CountNot(sheets().frontCover.image(), QRect(1, 1, 359, 351), kPaper), 0);
    control<QCheckBox>(mainWindow(), "CheckBox4")->click();
    EXPECT_GT(CountNot(sheets().frontCover.image(), QRect(1, 1, 359, 351), kPaper), 0);

    control<QCheckBox>(mainWindow(), "CheckBox1")->click();
    expectCentred("Vertical lines");
    control<QCheckBox>(mainWindow(), "CheckBox2")->click();
    expectCentred("Back");
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    expectCentred("Front");

    QImage back(8, 8, QImage::Format_RGB32);
    back.fill(kLightYellow);
    const QString path = dir.filePath(QStringLiteral("back.bmp"));
    back.save(path, "BMP");
    platform.pictureAnswers.push_back(path);
    run(&MainWindow::onImage);
    expectCentred("Image");
    control<QCheckBox>(mainWindow(), "CheckBox6")->click();
    expectCentred("Extend back picture");
    run(&MainWindow::onFontTypeColour);
    expectCentred("Font (cancelled)");
    EXPECT_TRUE(platform.errors.empty());

    run(&MainWindow::onLeft);
    expectLeftAligned("Left");

    run(&MainWindow::onCentre);
    trackEditor().onContinue();
    control<QCheckBox>(mainWindow(), "CheckBox1")->click();
    expectLeftAligned("Center, Continue, Vertical lines");
}

TEST_F(TextCommands, NoTextOnFrontBeforeAnyLayoutChangesNothing)
{
    enterCover();
    const SheetPixels before(sheets());
    control<QCheckBox>(mainWindow(), "CheckBox4")->click();
    EXPECT_TRUE(SameSheets(before, SheetPixels(sheets())));
    EXPECT_FALSE(state.textLaidOut);
}

TEST_F(TextCommands, FontOnFrontPageChangesOnlyTheFront)
{
    continueLayout();
    const SheetPixels before(sheets());
    control<QTabWidget>(mainWindow(), "TabbedNotebook1")->setCurrentIndex(1);
    platform.fontAnswers.push_back(font(QStringLiteral("DejaVu Serif"), 0x0000FF));
    run(&MainWindow::onFontTypeColour);
    EXPECT_EQ(state.frontFont.face(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(state.frontFont.colour(), 0x0000FFu);
    EXPECT_TRUE(state.backFont.face().isEmpty());
    const SheetPixels after(sheets());
    EXPECT_TRUE(ImagesEqual(before.panel, after.panel));
    EXPECT_TRUE(ImagesEqual(before.leftSpine, after.leftSpine));
    EXPECT_TRUE(ImagesEqual(before.rightSpine, after.rightSpine));
    EXPECT_GT(countRedPixels(after.front), 50);
}

TEST_F(TextCommands, FontOnBackPageChangesPanelAndBothSpines)
{
    continueLayout();
    const SheetPixels before(sheets());
    platform.fontAnswers.push_back(font(QStringLiteral("DejaVu Serif"), 0x0000FF));
    run(&MainWindow::onFontTypeColour);
    EXPECT_EQ(state.backFont.face(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(state.backFont.colour(), 0x0000FFu);
    const SheetPixels after(sheets());
    EXPECT_TRUE(ImagesEqual(before.front, after.front));
    EXPECT_GT(countRedPixels(after.panel), 10);
    EXPECT_GT(countRedPixels(after.leftSpine), 10);
    EXPECT_GT(countRedPixels(after.rightSpine), 10);
}

TEST_F(TextCommands, CancelledFontStillLaysOutAndDialogRemembersItsLastFont)
{
    enterCover();
    run(&MainWindow::onFontTypeColour); // cancelled: no answer queued
    EXPECT_TRUE(state.textLaidOut);
    EXPECT_GT(CountNot(sheets().frontCover.image(), QRect(1, 1, 359, 351), kPaper), 0);

    FontChoice chosen = font(QString(40, QLatin1Char('F')), 0x00FF00);
    platform.fontAnswers.push_back(chosen);
    run(&MainWindow::onFontTypeColour);
    EXPECT_EQ(state.backFont.face().size(), 31);
    run(&MainWindow::onFontTypeColour);
    ASSERT_EQ(platform.fontRequests.size(), 3u);
    EXPECT_EQ(platform.fontRequests[0].face, QStringLiteral("Arial"));
    EXPECT_EQ(platform.fontRequests[2].face, chosen.face);
    EXPECT_EQ(platform.fontRequests[2].colour, chosen.colour);
}

TEST_F(TextCommands, SizeAndStyleFromTheDialogHaveNoEffect)
{
    continueLayout();
    platform.fontAnswers.push_back(font(QStringLiteral("DejaVu Sans"), 0));
    run(&MainWindow::onFontTypeColour);
    const SheetPixels plain(sheets());
    FontChoice fancy = font(QStringLiteral("DejaVu Sans"), 0);
    fancy.pixelHeight = 64;
    fancy.bold = fancy.italic = fancy.underline = fancy.strikeOut = true;
    platform.fontAnswers.push_back(fancy);
    run(&MainWindow::onFontTypeColour);
    EXPECT_TRUE(SameSheets(plain, SheetPixels(sheets())));
}

TEST(FontDialogWidget, OffersScalableFacesWithEffectsAndColour)
{
    FontChoice initial;
    initial.face = QStringLiteral("DejaVu Sans");
    initial.colour = 0x123456; // none of the named colours
    initial.underline = true;
    FontDialog dialog(initial);
    QStringList offered;
    for (int i = 0; i < dialog.faceList()->count(); ++i)
        offered << dialog.faceList()->item(i)->text();
    ASSERT_FALSE(offered.isEmpty());
    for (const QString& family : offered)
        EXPECT_TRUE(QFontDatabase::isSmoothlyScalable(family)) << family.toStdString();
    EXPECT_TRUE(offered.contains(QStringLiteral("Liberation Sans")));

    // Confirming untouched gives back what came in.
    FontChoice untouched = dialog.choice();
    EXPECT_EQ(untouched.face, initial.face);
    EXPECT_EQ(untouched.colour, initial.colour);
    EXPECT_TRUE(untouched.underline);
    EXPECT_FALSE(untouched.strikeOut);

    dialog.strikeOutBox()->setChecked(true);
    dialog.underlineBox()->setChecked(false);
    const int red = dialog.colourBox()->findText(QStringLiteral("Red"));
    ASSERT_GE(red, 0);
    dialog.colourBox()->setCurrentIndex(red);
    dialog.faceList()->setCurrentItem(
        dialog.faceList()
            ->findItems(QStringLiteral("Liberation Serif"), Qt::MatchExactly)
            .value(0));
    const FontChoice changed = dialog.choice();
    EXPECT_FALSE(changed.bold || changed.italic) << "a new face keeps the regular weight and slant";
    EXPECT_EQ(changed.colour, 0x0000FFu);
    EXPECT_TRUE(changed.strikeOut);
    EXPECT_FALSE(changed.underline);
    EXPECT_EQ(changed.face, QStringLiteral("Liberation Serif"));
}

TEST(FontDialogWidget, UnlistedStartingFaceComesBackUnchanged)
{
    FontChoice initial;
    initial.face = QStringLiteral("No Such Face Anywhere");
    FontDialog dialog(initial);
    // The face drawn in its place is shown selected, but confirming returns the face as given.
    EXPECT_EQ(dialog.faceList()->selectedItems().size(), 1);
    EXPECT_EQ(dialog.choice().face, initial.face);
    EXPECT_EQ(dialog.choice().colour, initial.colour);
    dialog.faceList()->setCurrentRow(0);
    EXPECT_EQ(dialog.choice().face, dialog.faceList()->item(0)->text());
}

// "Other..." starts from the colour picked last, and cancelling it keeps that pick.
TEST(FontDialogWidget, OtherColourStartsFromThePickAndCancelKeepsIt)
{
    FontDialog dialog(FontChoice {});
    QComboBox* colours = dialog.colourBox();
    const auto activate = [&](int index) {
        colours->setCurrentIndex(index);
        emit colours->activated(index);
    };
    activate(colours->findText(QStringLiteral("Red")));
    QColor offered;
    QTimer::singleShot(0, [&] {
        if (auto* picker = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            offered = picker->currentColor();
            picker->reject();
        }
    });
    activate(colours->count() - 1);
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(dialog.choice().colour, 0x0000FFu);
}

// Each outline face once, by its own name: no fontconfig aliases, no foundry suffixes.
TEST(FontDialogWidget, LabelMnemonicsFocusTheirControls)
{
    FontDialog dialog(FontChoice {});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    for (auto [key, control] : {std::pair<Qt::Key, QWidget*> {Qt::Key_Y, dialog.styleList()},
                                {Qt::Key_F, dialog.faceList()},
                                {Qt::Key_S, dialog.sizeList()},
                                {Qt::Key_C, dialog.colourBox()}}) {
        QTest::keyClick(&dialog, key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), control) << "Alt+" << char(key);
    }
}

TEST(FontDialogWidget, FaceListHoldsEachRealFaceOnce)
{
    const QStringList faces = FontDialog::scalableFamilies();
    EXPECT_EQ(faces.size(), QSet<QString>(faces.begin(), faces.end()).size());
    for (const QString& face : faces) {
        EXPECT_FALSE(face.contains(QLatin1Char('['))) << face.toStdString();
        EXPECT_FALSE(face == QLatin1String("Sans Serif") || face == QLatin1String("Serif") ||
                     face == QLatin1String("Monospace"))
            << face.toStdString();
    }
    EXPECT_TRUE(faces.contains(QStringLiteral("Liberation Sans")));
}

} // namespace
