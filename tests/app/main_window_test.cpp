#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/pointer_shape.h"
#include "app/sheet_view.h"
#include "app_test_util.h"
#include "model/errors.h"
#include "support/platform/app_fixture.h"
#include "support/test_files.h"
#include "app/window_geometry.h"

using namespace plattera;

namespace {

const QRgb kBlackPixel = qRgb(0, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

// ---------------------------------------------------------------------------------------------
// Layout

using MainWindowLayout = AppFixture;

TEST_F(MainWindowLayout, ToolbarHasNineButtonsEvery88PixelsWithTheirGlyphs)
{
    struct Row {
        const char* name;
        const char* caption;
        bool enabled;
    };
    const Row rows[] = {{"BitBtn6", "New Cover", true},
                        {"button3", "Edit Tracks", true},
                        {"Button1", "Font type/color", false},
                        {"BitBtn2", "Left", false},
                        {"BitBtn1", "Center", false},
                        {"BitBtn5", "Image", true},
                        {"button4", "Print", true},
                        {"BitBtn3", "Close", true},
                        {"BitBtn4", "About", true}};
    int left = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* button = mainWindow().findChild<GlyphButton*>(QLatin1String(row.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->mapTo(&mainWindow(), QPoint(0, 0)), QPoint(left, 0));
        EXPECT_EQ(button->size(), QSize(81, 57));
        EXPECT_EQ(button->text(), QLatin1String(row.caption));
        EXPECT_EQ(button->isEnabled(), row.enabled);
        EXPECT_LT(button->captionRect().bottom(), button->glyphRect().top())
            << "caption above the glyph";
        left += 88;
    }
    EXPECT_EQ(control<QWidget>(mainWindow(), "Panel1")->geometry(), QRect(0, 0, 785, 57));
    EXPECT_EQ(control<GlyphButton>(mainWindow(), "BitBtn6")->parentWidget(), &mainWindow());
    EXPECT_EQ(control<GlyphButton>(mainWindow(), "BitBtn4")->parentWidget(), &mainWindow());
    EXPECT_EQ(control<GlyphButton>(mainWindow(), "BitBtn5")->parentWidget(),
              control<QWidget>(mainWindow(), "Panel1"));
}

// The glyphs are picture files in the resources: a missing or misnamed file leaves a button blank.
TEST_F(MainWindowLayout, EveryButtonHasItsNormalAndGreyedGlyphAtItsSize)
{
    const std::pair<const char*, int> rows[] = {{"BitBtn6", 16}, {"button3", 16}, {"Button1", 16},
                                                {"BitBtn2", 16}, {"BitBtn1", 16}, {"BitBtn5", 20},
                                                {"button4", 16}, {"BitBtn3", 16}, {"BitBtn4", 16}};
    for (const auto& [name, size] : rows) {
        SCOPED_TRACE(name);
        auto* button = mainWindow().findChild<GlyphButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->glyph().size(), QSize(size, size));
        EXPECT_EQ(button->disabledGlyph().size(), QSize(size, size));
        // Greyed: no colour left, only grey and the white highlight.
        const QImage grey = button->disabledGlyph().convertToFormat(QImage::Format_ARGB32);
        int greyPixels = 0;
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) {
                const QRgb c = grey.pixel(x, y);
                if (qAlpha(c)) {
                    greyPixels += c == qRgb(128, 128, 128);
                    EXPECT_TRUE(c == qRgb(128, 128, 128) || c == qRgb(255, 255, 255))
                        << x << "," << y;
                }
            }
        EXPECT_GT(greyPixels, 0);
    }
    EXPECT_EQ(mainWindow().windowIcon().availableSizes(),
              (QList<QSize> {QSize(16, 16), QSize(48, 48)}));
}

// Asked to detect a format, Qt loads every picture plug-in (Qt Svg among them) to ask each in
// turn; the program's own pictures are read without that, which start-up would pay for.
TEST(Glyphs, AreReadWithoutLoadingPicturePlugins)
{
    const auto pluginsMapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
    };
    if (pluginsMapped())
        GTEST_SKIP() << "an earlier test in this process loaded the picture plug-ins";
    decodeGlyphs();
    EXPECT_EQ(windowIcon().availableSizes(), (QList<QSize> {QSize(16, 16), QSize(48, 48)}));
    EXPECT_EQ(glyphImage(Glyph::Image).size(), QSize(20, 20));
    EXPECT_FALSE(pluginsMapped());
}

TEST_F(MainWindowLayout, DisabledButtonShowsItsGreyedGlyph)
{
    GlyphButton* font = control<GlyphButton>(mainWindow(), "Button1");
    ASSERT_FALSE(font->isEnabled());
    EXPECT_EQ(font->shownGlyph(), font->disabledGlyph());
    EXPECT_EQ(control<GlyphButton>(mainWindow(), "BitBtn6")->shownGlyph(),
              control<GlyphButton>(mainWindow(), "BitBtn6")->glyph());
}

TEST_F(MainWindowLayout, NotebookShowsTheFourSheetsUnscaledAtTheirPlaces)
{
    QTabWidget* notebook = control<QTabWidget>(mainWindow(), "TabbedNotebook1");
    EXPECT_EQ(notebook->geometry(), QRect(8, 64, 529, 452));
    ASSERT_EQ(notebook->count(), 2);
    EXPECT_EQ(notebook->tabText(0), QStringLiteral("Back"));
    EXPECT_EQ(notebook->tabText(1), QStringLiteral("Front"));
    EXPECT_EQ(notebook->currentIndex(), 0);

    EXPECT_EQ(control<SheetView>(mainWindow(), "Image1")->geometry(), QRect(60, 18, 400, 353));
    EXPECT_EQ(control<SheetView>(mainWindow(), "Image2")->geometry(), QRect(39, 18, 22, 353));
    EXPECT_EQ(control<SheetView>(mainWindow(), "Image3")->geometry(), QRect(459, 18, 22, 353));
    EXPECT_EQ(control<SheetView>(mainWindow(), "Image4")->geometry(), QRect(80, 18, 361, 353));
    EXPECT_EQ(control<SheetView>(mainWindow(), "Image1")->parentWidget(), notebook->widget(0));
    EXPECT_EQ(control<SheetView>(mainWindow(), "Image4")->parentWidget(), notebook->widget(1));
    // The spines lie over the panel's outer columns.
    QWidget* back = notebook->widget(0);
    EXPECT_EQ(back->childAt(60, 100), control<SheetView>(mainWindow(), "Image2"));
    EXPECT_EQ(back->childAt(459, 100), control<SheetView>(mainWindow(), "Image3"));
    // The composite has no view.
    EXPECT_EQ(mainWindow().findChildren<SheetView*>().size(), 4);

    // What a view paints is the sheet's pixels, one for one.
    const QImage shown = control<SheetView>(mainWindow(), "Image4")
                             ->grab()
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(ImagesEqual(shown, sheets().frontCover.image()));
}

TEST_F(MainWindowLayout, GroupBoxesAndLabelsCarryTheirControls)
{
    MainWindow& f = mainWindow();
    EXPECT_EQ(control<QGroupBox>(f, "GroupBox1")->title(), QStringLiteral("Outlines"));
    EXPECT_EQ(control<QGroupBox>(f, "GroupBox1")->geometry(), QRect(576, 78, 161, 171));
    EXPECT_EQ(control<QGroupBox>(f, "GroupBox2")->title(), QStringLiteral("Other options"));
    EXPECT_EQ(control<QGroupBox>(f, "GroupBox2")->geometry(), QRect(576, 266, 161, 175));

    struct Box {
        const char* name;
        const char* caption;
        QRect geometry;
        bool checked;
        const char* group;
    };
    const Box boxes[] = {
        {"CheckBox1", "Vertical lines", {32, 32, 97, 17}, true, "GroupBox1"},
        {"CheckBox2", "Back", {32, 56, 97, 17}, true, "GroupBox1"},
        {"CheckBox3", "Front", {32, 80, 97, 17}, true, "GroupBox1"},
        {"CheckBox4", "No text on front cover", {15, 24, 130, 17}, false, "GroupBox2"},
        {"CheckBox6", "Extend back picture", {16, 56, 121, 17}, true, "GroupBox2"},
    };
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.name);
        const QCheckBox* box = control<QCheckBox>(f, b.name);
        EXPECT_EQ(box->text(), QLatin1String(b.caption));
        EXPECT_EQ(box->geometry(), b.geometry);
        EXPECT_EQ(box->isChecked(), b.checked);
        EXPECT_EQ(box->parentWidget(), control<QGroupBox>(f, b.group));
    }
    EXPECT_EQ(control<QPushButton>(f, "Button2")->geometry(), QRect(43, 104, 75, 25));
    EXPECT_EQ(control<ColourSwatch>(f, "Panel2")->geometry(), QRect(64, 136, 33, 25));
    EXPECT_EQ(control<QLabel>(f, "Label2")->text(), QStringLiteral("over side flips"));
    EXPECT_EQ(control<QLabel>(f, "Label2")->pos(), QPoint(34, 72));
    EXPECT_EQ(control<QLabel>(f, "Label1")->text(), QStringLiteral("Looking for CD covers?"));
    EXPECT_EQ(control<QLabel>(f, "Label1")->pos(), QPoint(576, 464));
    EXPECT_EQ(control<LinkLabel>(f, "Label4")->pos(), QPoint(576, 480));
    EXPECT_EQ(control<LinkLabel>(f, "Label4")->text(), MainWindow::kCoverImagesUrl);
    EXPECT_EQ(control<LinkLabel>(f, "Label4")->font().pixelSize(), 11);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Plattera v2.1"));
}

// ---------------------------------------------------------------------------------------------
// Window sizes and placement

using WindowPlacement = AppFixture;

TEST_F(WindowPlacement, MainWindowIsSizedFromItsLayoutAndCentredOnAWideScreen)
{
    EXPECT_EQ(outerSize(&mainWindow()), QSize(795, 545));
    EXPECT_EQ(mainWindow().pos(), QPoint((1024 - 795) / 2, (768 - 545) / 2));

    platform.screen = QSize(801, 600);
    start();
    EXPECT_EQ(outerSize(&mainWindow()), QSize(795, 545));
    EXPECT_EQ(mainWindow().pos(), QPoint(3, 27));
}

TEST_F(WindowPlacement, MainWindowCoversA800PixelScreen)
{
    platform.screen = QSize(800, 600);
    start();
    EXPECT_EQ(mainWindow().pos(), QPoint(0, 0));
    EXPECT_EQ(outerSize(&mainWindow()), QSize(800, 600));
}

TEST_F(WindowPlacement, LaterShowingsKeepThePositionAndRestoreTheSize)
{
    mainWindow().move(10, 20);
    mainWindow().resize(300, 200);
    mainWindow().hide();
    mainWindow().show();
    EXPECT_EQ(mainWindow().pos(), QPoint(10, 20));
    EXPECT_EQ(outerSize(&mainWindow()), QSize(795, 545));
}

TEST_F(WindowPlacement, TrackEditorAndAboutAreSizedAtEveryShowingAndCentredOnlyAtTheFirst)
{
    QSize seen[2];
    QPoint where[2];
    for (int i = 0; i < 2; ++i)
        platform.modalScripts.push_back([&, i](QDialog& dialog) {
            seen[i] = outerSize(&dialog);
            where[i] = dialog.pos();
            dialog.resize(200, 100);
            dialog.move(7, 9);
        });
    control<GlyphButton>(mainWindow(), "button3")->click();
    control<GlyphButton>(mainWindow(), "button3")->click();
    EXPECT_EQ(seen[0], QSize(522, 489));
    EXPECT_EQ(where[0], QPoint((1024 - 522) / 2, (768 - 489) / 2));
    EXPECT_EQ(seen[1], QSize(522, 489));
    EXPECT_EQ(where[1], QPoint(7, 9));

    for (int i = 0; i < 2; ++i)
        platform.modalScripts.push_back([&, i](QDialog& dialog) {
            seen[i] = outerSize(&dialog);
            where[i] = dialog.pos();
            dialog.resize(500, 500);
            dialog.move(3, 4);
        });
    control<GlyphButton>(mainWindow(), "BitBtn4")->click();
    control<GlyphButton>(mainWindow(), "BitBtn4")->click();
    ASSERT_EQ(platform.modalWindows.size(), 4u);
    EXPECT_EQ(platform.modalWindows[2], &aboutWindow());
    EXPECT_EQ(seen[0], QSize(409, 397));
    EXPECT_EQ(where[0], QPoint((1024 - 409) / 2, (768 - 397) / 2));
    EXPECT_EQ(seen[1], QSize(409, 397));
    EXPECT_EQ(where[1], QPoint(3, 4));
}

TEST_F(WindowPlacement, AboutWindowLayout)
{
    AboutWindow& about = aboutWindow();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Plattera v2.1 - About"));
    EXPECT_EQ(control<QFrame>(about, "Panel1")->geometry(), QRect(0, 0, 401, 369));
    EXPECT_EQ(control<QLabel>(about, "Label1")->text(), QStringLiteral("Plattera"));
    EXPECT_EQ(control<QLabel>(about, "Label1")->x() + control<QLabel>(about, "Label1")->width() / 2,
              200);
    EXPECT_EQ(control<QLabel>(about, "Label1")->y(), 16);
    EXPECT_EQ(control<QLabel>(about, "Label5")->text(), QStringLiteral("Version 2.1"));
    EXPECT_EQ(control<QLabel>(about, "Label5")->pos(), QPoint(174, 40));
    EXPECT_EQ(control<QFrame>(about, "Bevel2")->geometry(), QRect(20, 128, 361, 2));
    EXPECT_EQ(control<QFrame>(about, "Bevel1")->geometry(), QRect(20, 256, 361, 2));
    EXPECT_EQ(control<QPushButton>(about, "Button1")->text(), QStringLiteral("Close"));
    EXPECT_EQ(control<QPushButton>(about, "Button1")->geometry(), QRect(163, 328, 75, 25));

    platform.modalScripts.push_back(
        [&](QDialog&) { control<QPushButton>(about, "Button1")->click(); });
    control<GlyphButton>(mainWindow(), "BitBtn4")->click();
    EXPECT_FALSE(about.isVisible());
}

// Only Continue, Close and the close box end these two windows.
TEST_F(WindowPlacement, EscapeLeavesTheTrackEditorAndAboutOpen)
{
    for (QDialog* window :
         {static_cast<QDialog*>(&trackEditor()), static_cast<QDialog*>(&aboutWindow())}) {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Escape);
        EXPECT_TRUE(window->isVisible()) << window->objectName().toStdString();
        window->hide();
    }
}

// Enter on a focused button presses it (Escape there is the story above).
TEST_F(WindowPlacement, EnterOnAFocusedButtonPressesIt)
{
    const struct {
        QDialog* window;
        QPushButton* button;
        Qt::Key key;
        bool closes;
        int tracks;
    } rows[] = {
        {&trackEditor(), control<QPushButton>(trackEditor(), "Button3"), Qt::Key_Return, false, 1},
        {&trackEditor(), control<QPushButton>(trackEditor(), "Button3"), Qt::Key_Enter, false, 2},
        {&trackEditor(), control<QPushButton>(trackEditor(), "Button1"), Qt::Key_Return, true, 2},
        {&aboutWindow(), control<QPushButton>(aboutWindow(), "Button1"), Qt::Key_Enter, true, 2}};
    for (const auto& row : rows) {
        row.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(row.window));
        QTest::keyClick(row.button, row.key);
        EXPECT_EQ(row.window->isHidden(), row.closes) << "row " << &row - rows;
        EXPECT_EQ(control<QListWidget>(trackEditor(), "ListBox1")->count(), row.tracks)
            << "row " << &row - rows;
        row.window->hide();
    }
}

// No caption, prompt or label of the three windows is cut off.
TEST_F(WindowPlacement, EveryCaptionShowsWhole)
{
    for (QWidget* window :
         {static_cast<QWidget*>(&mainWindow()), static_cast<QWidget*>(&trackEditor()),
          static_cast<QWidget*>(&aboutWindow())}) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const QFontMetrics metrics(control->font());
            int needed = 0, room = 0;
            if (auto* box = qobject_cast<QCheckBox*>(control)) {
                QStyleOptionButton option;
                option.initFrom(box);
                option.text = box->text();
                needed = metrics.horizontalAdvance(box->text());
                room =
                    box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                needed = metrics.horizontalAdvance(button->text()) + 4;
                room = button->width();
            } else if (auto* label = qobject_cast<QLabel*>(control)) {
                needed = label->sizeHint().width();
                room = label->width();
            } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
                needed = metrics.horizontalAdvance(group->title()) + 16;
                room = group->width();
            } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
                needed = metrics.horizontalAdvance(edit->text()) + 8;
                room = edit->text().size() < 40 ? edit->width() : needed;
            } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
                for (int i = 0; i < tabs->count(); ++i)
                    EXPECT_GE(tabs->tabRect(i).width(),
                              metrics.horizontalAdvance(tabs->tabText(i)) + 8);
            }
            EXPECT_LE(needed, room) << control->objectName().toStdString();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Commands of the window

using MainWindowCommands = AppFixture;

TEST_F(MainWindowCommands, EditTracksEnablesTheFourButtonsHoweverTheEditorCloses)
{
    // No script: the editor is closed with its close box.
    control<GlyphButton>(mainWindow(), "button3")->click();
    ASSERT_EQ(platform.modalWindows.size(), 1u);
    EXPECT_EQ(platform.modalWindows[0], &trackEditor());
    for (GlyphButton* b : {control<GlyphButton>(mainWindow(), "Button1"),
                           control<GlyphButton>(mainWindow(), "button4"),
                           control<GlyphButton>(mainWindow(), "BitBtn1"),
                           control<GlyphButton>(mainWindow(), "BitBtn2")})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    EXPECT_FALSE(control<GlyphButton>(mainWindow(), "Button1")->isEnabled());
    EXPECT_FALSE(control<GlyphButton>(mainWindow(), "BitBtn1")->isEnabled());
    EXPECT_FALSE(control<GlyphButton>(mainWindow(), "BitBtn2")->isEnabled());
    EXPECT_TRUE(control<GlyphButton>(mainWindow(), "button4")->isEnabled())
        << "nothing disables Print";

    // Continue lays the texts out and closes the editor.
    platform.modalScripts.push_back([&](QDialog&) {
        control<QLineEdit>(trackEditor(), "Edit1")->setText(QStringLiteral("Intro"));
        control<QPushButton>(trackEditor(), "Button3")->click();
        control<QPushButton>(trackEditor(), "Button1")->click();
    });
    control<GlyphButton>(mainWindow(), "button3")->click();
    EXPECT_TRUE(state.textLaidOut);
    EXPECT_FALSE(trackEditor().isVisible());
    EXPECT_TRUE(control<GlyphButton>(mainWindow(), "BitBtn2")->isEnabled());
}

TEST_F(MainWindowCommands, NewCoverResetsToWhiteSheetsWithTheInnerFiguresInBlack)
{
    state.outlineColour = 0x00FF00;
    state.textLaidOut = true;
    state.centredMode = true;
    state.backFont.setFace(QStringLiteral("Courier"));
    state.frontFont.setColour(0x123456);
    control<QTabWidget>(mainWindow(), "TabbedNotebook1")->setCurrentIndex(1);
    control<QCheckBox>(mainWindow(), "CheckBox4")->setChecked(true);
    control<QLineEdit>(trackEditor(), "Edit1")->setText(QStringLiteral("One"));
    trackEditor().onInsert();
    control<QLineEdit>(trackEditor(), "Edit1")->setText(QStringLiteral("half"));

    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    // With every box already checked the first step runs nothing, so no layout ran.
    EXPECT_FALSE(state.textLaidOut);
    EXPECT_FALSE(state.centredMode);
    EXPECT_EQ(state.backFont.face(), QStringLiteral("arial"));
    EXPECT_EQ(state.frontFont.face(), QStringLiteral("arial"));
    EXPECT_EQ(state.frontFont.colour(), 0u);
    EXPECT_EQ(state.outlineColour, 0u);
    EXPECT_TRUE(trackEditor().trackLines().isEmpty());
    EXPECT_EQ(control<QListWidget>(trackEditor(), "ListBox1")->count(), 0);
    EXPECT_EQ(control<QLineEdit>(trackEditor(), "Edit3")->text(),
              QStringLiteral("<type in name of artist here>"));
    EXPECT_EQ(control<QLineEdit>(trackEditor(), "Edit2")->text(),
              QStringLiteral("<type in title here>"));
    EXPECT_TRUE(control<QLineEdit>(trackEditor(), "Edit1")->text().isEmpty());
    EXPECT_EQ(control<QTabWidget>(mainWindow(), "TabbedNotebook1")->currentIndex(), 1)
        << "the page shown stays";
    EXPECT_TRUE(control<QCheckBox>(mainWindow(), "CheckBox4")->isChecked())
        << "No text on front cover stays";

    Sheets& s = sheets();
    EXPECT_TRUE(AreaIs(s.leftSpine.image(), QRect(20, 0, 1, 353), kBlackPixel));
    EXPECT_TRUE(AreaIs(s.leftSpine.image(), QRect(21, 1, 1, 351), kWhitePixel));
    EXPECT_TRUE(AreaIs(s.rightSpine.image(), QRect(1, 0, 1, 353), kBlackPixel));
    EXPECT_TRUE(PixelIs(s.rightSpine.image(), 0, 352, kWhitePixel));
    EXPECT_TRUE(PixelIs(s.backPanel.image(), 0, 352, kWhitePixel));
    EXPECT_EQ(CountNot(s.backPanel.image(), s.backPanel.image().rect(), kWhitePixel), 400 + 399);
    EXPECT_EQ(CountNot(s.frontCover.image(), s.frontCover.image().rect(), kWhitePixel),
              2 * 361 + 2 * 351);
    for (SheetCanvas* sheet : s.visible())
        EXPECT_EQ(sheet->brushStyle(), BrushStyle::Clear);
}

TEST_F(MainWindowCommands, NewCoverGivesTheSameSheetsWhateverTheBoxesAndHoweverOften)
{
    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    const SheetPixels once(sheets());
    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    EXPECT_TRUE(SameSheets(once, SheetPixels(sheets()))) << "twice is once";

    for (QCheckBox* box : {control<QCheckBox>(mainWindow(), "CheckBox1"),
                           control<QCheckBox>(mainWindow(), "CheckBox2"),
                           control<QCheckBox>(mainWindow(), "CheckBox3"),
                           control<QCheckBox>(mainWindow(), "CheckBox6")})
        box->click();
    ASSERT_FALSE(control<QCheckBox>(mainWindow(), "CheckBox2")->isChecked());
    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    for (QCheckBox* box : {control<QCheckBox>(mainWindow(), "CheckBox1"),
                           control<QCheckBox>(mainWindow(), "CheckBox2"),
                           control<QCheckBox>(mainWindow(), "CheckBox3"),
                           control<QCheckBox>(mainWindow(), "CheckBox6")})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_TRUE(SameSheets(once, SheetPixels(sheets())));
    EXPECT_TRUE(platform.errors.empty());
}

TEST_F(MainWindowCommands, NewCoverStopsWhenARecheckedBoxFails)
{
    QTemporaryDir dir;
    const QString broken =
        writeTestFile(dir.filePath(QStringLiteral("broken.gif")), "this is not a picture");

    control<QCheckBox>(mainWindow(), "CheckBox1")
        ->click(); // cleared while there is no back picture yet
    state.backPicture.choose(broken, std::nullopt);
    state.backFont.setFace(QStringLiteral("Courier"));

    control<GlyphButton>(mainWindow(), "BitBtn6")->click();
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].caption, QStringLiteral("Plattera v2.1"));
    EXPECT_TRUE(control<QCheckBox>(mainWindow(), "CheckBox1")->isChecked())
        << "the box was set before its handler ran";
    EXPECT_TRUE(state.backPicture.shown()) << "nothing after the failing step ran";
    EXPECT_EQ(state.backFont.face(), QStringLiteral("Courier"));
}

TEST_F(MainWindowCommands, LinkOpensTheCoverImagesPage)
{
    clickOn(control<LinkLabel>(mainWindow(), "Label4"), QPoint(2, 2));
    ASSERT_EQ(platform.openedUrls.size(), 1u);
    EXPECT_EQ(platform.openedUrls[0], QStringLiteral("https://coverartarchive.org/"));
}

TEST_F(MainWindowCommands, PointerIsAHandFromTheLinkUntilTheBareSurfaceOrTheAboutWindow)
{
    setApplicationPointer(PointerShape::Default);
    movePointer(control<LinkLabel>(mainWindow(), "Label4"), QPoint(3, 3));
    EXPECT_EQ(applicationPointer(), PointerShape::Hand);
    movePointer(control<QGroupBox>(mainWindow(), "GroupBox2"), QPoint(20, 100));
    movePointer(control<QTabWidget>(mainWindow(), "TabbedNotebook1"), QPoint(200, 200));
    movePointer(control<GlyphButton>(mainWindow(), "BitBtn1"), QPoint(10, 10));
    EXPECT_EQ(applicationPointer(), PointerShape::Hand) << "controls keep the hand";
    movePointer(&mainWindow(), QPoint(556, 300));
    EXPECT_EQ(applicationPointer(), PointerShape::Default);

    movePointer(control<LinkLabel>(mainWindow(), "Label4"), QPoint(3, 3));
    ASSERT_EQ(applicationPointer(), PointerShape::Hand);
    platform.modalScripts.push_back(
        [&](QDialog&) { movePointer(control<QFrame>(aboutWindow(), "Panel1"), QPoint(100, 200)); });
    control<GlyphButton>(mainWindow(), "BitBtn4")->click();
    EXPECT_EQ(applicationPointer(), PointerShape::Default);
}

TEST_F(MainWindowCommands, FailuresReachTheErrorBoxWithAFullStopRule)
{
    EXPECT_EQ(errorBoxText(QStringLiteral("Bitmap image is not valid")),
              QStringLiteral("Bitmap image is not valid."));
    EXPECT_EQ(errorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(errorBoxText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    EXPECT_EQ(errorBoxText(QStringLiteral("(.gif)")), QStringLiteral("(.gif)"));
    EXPECT_EQ(errorBoxText(QStringLiteral("size 12")), QStringLiteral("size 12."));

    bool after = false;
    mainWindow().runCommand([&] {
        state.titleLineHeight = 5;
        throw CommandError(QStringLiteral("Unknown picture file extension (.xyz)"));
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_EQ(state.titleLineHeight, 5) << "what the command changed stays changed";
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].caption, QStringLiteral("Plattera v2.1"));
    EXPECT_EQ(platform.errors[0].text, QStringLiteral("Unknown picture file extension (.xyz)"));
}

TEST_F(MainWindowCommands, CloseEndsTheMainWindow)
{
    ASSERT_TRUE(mainWindow().isVisible());
    control<GlyphButton>(mainWindow(), "BitBtn3")->click();
    EXPECT_FALSE(mainWindow().isVisible());
}

} // namespace
