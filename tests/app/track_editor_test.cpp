#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QFontInfo>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include "support/controls.h"
#include "support/image_assert.h"
#include "app/track_editor.h"
#include "app/window_geometry.h"
#include "tracklists/title_length.h"

using namespace plattera;

namespace {

class TrackEditor : public ::testing::Test {
protected:
    EditorState state;
    Sheets sheets {96};
    // What the main window would answer; a test changes them before the editor asks.
    std::function<CoverInputs()> mainInputs = [] { return CoverInputs(); };
    std::function<void(const std::function<void()>&)> runCommand =
        [](const std::function<void()>& command) { command(); };
    QStringList messages, details, notices, placed;
    plattera::TrackEditor form {
        state,
        sheets,
        {[this] { return mainInputs(); },
         [this](const std::function<void()>& command) { runCommand(command); },
         [this](const QString& text, const QString& more) {
             messages << text;
             details << more;
         },
         [] { return QSize(1024, 768); }, [this](const QString& text) { notices << text; },
         [this](const QString& file, NotebookPage page) {
             placed << QFileInfo(file).fileName() +
                     (page == NotebookPage::Front ? QStringLiteral(" on the front")
                                                  : QStringLiteral(" on the back"));
         }}};

    void type(const QString& text) { control<QLineEdit>(form, "Edit1")->setText(text); }
    void pressEnter()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(control<QLineEdit>(form, "Edit1"), &press);
    }
    QStringList lines() const { return form.trackLines(); }
};

TEST_F(TrackEditor, ControlsStandWhereTheLayoutPutsThem)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Plattera v2.1 - Edit Tracks"));
    EXPECT_EQ(control<QPushButton>(form, "Button1")->geometry(), QRect(218, 384, 75, 25));
    EXPECT_EQ(control<QPushButton>(form, "Button1")->text(), QStringLiteral("Continue"));
    EXPECT_EQ(control<QGroupBox>(form, "GroupBox1")->geometry(), QRect(16, 8, 225, 337));
    EXPECT_EQ(control<QGroupBox>(form, "GroupBox2")->geometry(), QRect(272, 8, 225, 337));
    EXPECT_EQ(control<QLabel>(form, "Label4")->text(), QStringLiteral("Tracks on the CD:"));
    EXPECT_EQ(control<QLabel>(form, "Label4")->pos(), QPoint(50, 24));
    EXPECT_EQ(control<QLabel>(form, "Label4")->font().pixelSize(), 16);
    EXPECT_EQ(control<QListWidget>(form, "ListBox1")->geometry(), QRect(16, 56, 177, 153));
    EXPECT_EQ(control<QLabel>(form, "Label1")->pos(), QPoint(66, 216));
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->geometry(), QRect(16, 248, 177, 21));
    EXPECT_EQ(control<QPushButton>(form, "Button3")->geometry(), QRect(75, 288, 75, 25));
    EXPECT_EQ(control<QPushButton>(form, "Button3")->text(), QStringLiteral("Insert"));
    EXPECT_EQ(control<QLabel>(form, "Label5")->pos(), QPoint(92, 24));
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->geometry(), QRect(24, 56, 177, 21));
    EXPECT_EQ(control<QLabel>(form, "Label6")->pos(), QPoint(96, 216));
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->geometry(), QRect(24, 248, 177, 21));
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->text(),
              QStringLiteral("<Type in name of the artist here>"));
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), QStringLiteral("<Type in title here>"));
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->placeholderText(),
              QStringLiteral("Type a track, or paste a list or audio files"));
    EXPECT_TRUE(control<QLineEdit>(form, "Edit1")->text().isEmpty());
    EXPECT_TRUE(control<QListWidget>(form, "ListBox1")
                    ->toolTip()
                    .contains(control<QLineEdit>(form, "Edit1")->placeholderText()));
    for (const char* name : {"Button1", "GroupBox1", "Label4", "ListBox1", "Label1", "Edit1",
                             "Button3", "GroupBox2", "Label5", "Edit3", "Label6", "Edit2"})
        EXPECT_NE(form.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
}

TEST_F(TrackEditor, EnterAppendsNumberedLinesAndEmptiesTheEditLine)
{
    type(QStringLiteral("Intro"));
    pressEnter();
    EXPECT_EQ(lines(), QStringList {QStringLiteral("1. Intro")});
    EXPECT_TRUE(control<QLineEdit>(form, "Edit1")->text().isEmpty());

    type(QStringLiteral("Second"));
    control<QPushButton>(form, "Button3")->click();
    pressEnter(); // an empty edit line still makes a numbered line
    EXPECT_EQ(lines(),
              (QStringList {QStringLiteral("1. Intro"), QStringLiteral("2. Second"),
                            QStringLiteral("3. ")}));
}

TEST_F(TrackEditor, OtherKeysAreLeftToTheEditLine)
{
    type(QStringLiteral("ab"));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
    QApplication::sendEvent(control<QLineEdit>(form, "Edit1"), &key);
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("abc"));
    EXPECT_EQ(control<QListWidget>(form, "ListBox1")->count(), 0);
}

TEST_F(TrackEditor, SelectedLineIsCopiedCorrectedAndReplacedInPlace)
{
    for (const char* t : {"One", "Two", "Three"}) {
        type(QLatin1String(t));
        pressEnter();
    }
    control<QListWidget>(form, "ListBox1")->setCurrentRow(1);
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("2. Two"))
        << "the whole line, number included";

    type(QStringLiteral("2. Two (live)"));
    pressEnter();
    EXPECT_EQ(lines(),
              (QStringList {QStringLiteral("1. One"), QStringLiteral("2. Two (live)"),
                            QStringLiteral("3. Three")}));
    EXPECT_TRUE(control<QListWidget>(form, "ListBox1")->selectedItems().isEmpty());
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("2. Two (live)"))
        << "a replacement keeps the edit line";

    // Replaced lines keep the user's text; new lines number on from the count of lines.
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    type(QStringLiteral("Opening"));
    control<QPushButton>(form, "Button3")->click();
    EXPECT_EQ(lines().first(), QStringLiteral("Opening"));
    type(QStringLiteral("Four"));
    pressEnter();
    EXPECT_EQ(lines().last(), QStringLiteral("4. Four"));
    EXPECT_EQ(control<QListWidget>(form, "ListBox1")->count(), 4);
}

TEST_F(TrackEditor, InsertWithASelectionAndAnEmptyEditLineEmptiesThatLine)
{
    type(QStringLiteral("One"));
    pressEnter();
    type(QStringLiteral("Two"));
    pressEnter();
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    type(QString());
    control<QPushButton>(form, "Button3")->click();
    EXPECT_EQ(lines(), (QStringList {QString(), QStringLiteral("2. Two")}));
}

TEST_F(TrackEditor, NewCoverResetEmptiesTheListAndPutsItsOwnPrompts)
{
    type(QStringLiteral("One"));
    pressEnter();
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    form.resetForNewCover();
    EXPECT_EQ(control<QListWidget>(form, "ListBox1")->count(), 0);
    EXPECT_TRUE(control<QListWidget>(form, "ListBox1")->selectedItems().isEmpty());
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->text(),
              QStringLiteral("<type in name of artist here>"));
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), QStringLiteral("<type in title here>"));
    EXPECT_TRUE(control<QLineEdit>(form, "Edit1")->text().isEmpty());
    type(QStringLiteral("Again"));
    pressEnter();
    EXPECT_EQ(lines(), QStringList {QStringLiteral("1. Again")});
}

TEST_F(TrackEditor, ShowingSizesTheWindowAndActivationFocusesTheTrackLine)
{
    for (int i = 0; i < 2; ++i) {
        form.resize(100, 100);
        form.show();
        form.activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(outerSize(&form), QSize(522, 489));
        control<QLineEdit>(form, "Edit3")->setFocus();
        form.onActivate();
        EXPECT_EQ(form.focusWidget(), control<QLineEdit>(form, "Edit1"));
        form.hide();
    }
}

TEST_F(TrackEditor, ContinueLaysOutWithTheEditorsTextsAndClosesOnlyOnSuccess)
{
    CoverInputs main;
    main.verticalLines = false;
    main.extendBackPicture = false;
    mainInputs = [&] { return main; };
    bool failOnce = true;
    runCommand = [&](const std::function<void()>& command) {
        if (failOnce) {
            // Standing in for a layout that fails before its end: the editor stays open.
            failOnce = false;
            return;
        }
        command();
    };
    form.show();
    control<QPushButton>(form, "Button1")->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(state.textLaidOut);

    control<QPushButton>(form, "Button1")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(state.textLaidOut);
}

// The classic list keeps its one selection: only Insert and New Cover take it away.
TEST_F(TrackEditor, SelectionSurvivesClicksBesideTheItemsAndCtrlClicks)
{
    for (const char* t : {"A", "B"}) {
        type(QLatin1String(t));
        pressEnter();
    }
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget* items = control<QListWidget>(form, "ListBox1")->viewport();
    const auto rowCentre = [&](int row) {
        return control<QListWidget>(form, "ListBox1")
            ->visualItemRect(control<QListWidget>(form, "ListBox1")->item(row))
            .center();
    };
    const QPoint below(20, items->height() - 5);

    QTest::mouseClick(items, Qt::LeftButton, Qt::NoModifier, rowCentre(0));
    ASSERT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("1. A"));
    const auto selectedRows = [&] {
        QList<int> rows;
        for (const QListWidgetItem* item : control<QListWidget>(form, "ListBox1")->selectedItems())
            rows << control<QListWidget>(form, "ListBox1")->row(item);
        return rows;
    };
    QTest::mouseClick(items, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(selectedRows(), QList<int> {0}) << "after a click below the items";
    QTest::mouseClick(items, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    EXPECT_EQ(selectedRows(), QList<int> {0}) << "after a Ctrl+click on the selected line";

    QTest::mouseClick(items, Qt::LeftButton, Qt::ControlModifier, rowCentre(1));
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("2. B"))
        << "a Ctrl+click selects the line clicked";
    QTest::keyClick(control<QListWidget>(form, "ListBox1"), Qt::Key_Up);
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("1. A"))
        << "the keyboard still selects";

    type(QStringLiteral("1. A (edit)"));
    pressEnter();
    EXPECT_EQ(lines(), (QStringList {QStringLiteral("1. A (edit)"), QStringLiteral("2. B")}));
}

// The classic edit control shows a text the program puts in from its first character.
TEST_F(TrackEditor, EditLinesShowTheirTextFromTheStartInTheClassicFace)
{
    EXPECT_EQ(QFontInfo(form.font()).family(), QStringLiteral("Liberation Sans"));
    const QFontMetrics metrics(control<QLineEdit>(form, "Edit3")->font());
    EXPECT_LT(metrics.horizontalAdvance(control<QLineEdit>(form, "Edit3")->text()), 170)
        << "the artist prompt fits its box";

    type(QStringLiteral("A long enough name to be wider than the edit line itself"));
    pressEnter();
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->cursorPosition(), 0);
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->cursorPosition(), 0);
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->cursorPosition(), 0);
    form.resetForNewCover();
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->cursorPosition(), 0);
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->cursorPosition(), 0);
}

// Delete keeps a line selected, the one that took the removed line's place or else the new last
// one, so that pressing it again goes on removing.
TEST_F(TrackEditor, DeleteRemovesTheSelectedLineRenumbersAndKeepsALineSelected)
{
    struct Row {
        int selected, presses;
        QStringList left;
        int selectedAfter;
        QString typeIn;
    };
    const Row rows[] = {
        {0, 1, {"1. B", "2. C", "3. D"}, 0, "1. B"},
        {3, 1, {"1. A", "2. B", "3. C"}, 2, "3. C"},
        {1, 2, {"1. A", "2. D"}, 1, "2. D"},
        {2, 4, {}, -1, ""}, // the copy of the last line removed goes with it
    };
    QListWidget* list = control<QListWidget>(form, "ListBox1");
    for (const Row& row : rows) {
        form.resetForNewCover();
        for (const char* title : {"A", "B", "C", "D"}) {
            type(QLatin1String(title));
            pressEnter();
        }
        list->setCurrentRow(row.selected);
        for (int i = 0; i < row.presses; ++i)
            QTest::keyClick(list, Qt::Key_Delete);
        const QList<QListWidgetItem*> selected = list->selectedItems();
        EXPECT_EQ(lines(), row.left) << "row " << row.selected;
        EXPECT_EQ(selected.isEmpty() ? -1 : list->row(selected.first()), row.selectedAfter)
            << "row " << row.selected;
        EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), row.typeIn) << "row " << row.selected;
    }
    type(QStringLiteral("New"));
    pressEnter();
    EXPECT_EQ(lines(), QStringList {QStringLiteral("1. New")});
}

TEST_F(TrackEditor, DroppedAudioFilesFillTheEditorInTrackOrderAndNameTheUnreadableOnce)
{
    QMimeData picture, script, album;
    picture.setUrls({QUrl::fromLocalFile(QStringLiteral(PLATTERA_TEST_DATA "/jpeg_baseline.jpg"))});
    script.setUrls({QUrl::fromLocalFile(QStringLiteral(PLATTERA_TEST_DATA "/make_fixtures.sh"))});
    for (const char* name : {"album_disc2.ogg", "album untagged.wav", "album_broken.flac",
                             "album_disc1_b.flac", "album_disc1_a.flac"})
        album.setUrls(album.urls() << QUrl::fromLocalFile(QStringLiteral(PLATTERA_TEST_DATA "/") +
                                                          QLatin1String(name)));
    const auto drag = [&](QWidget* target, const QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    };
    EXPECT_FALSE(drag(control<QLineEdit>(form, "Edit1"), script))
        << "a file that cannot be read is refused, never typed in as its name";
    ASSERT_TRUE(form.pasteTracks(script));
    EXPECT_EQ(notices, QStringList {kNothingReadable});
    ASSERT_TRUE(drag(&form, picture)) << "a picture alone goes on the front";
    type(QStringLiteral("Intro"));
    pressEnter();
    ASSERT_TRUE(drag(control<QLineEdit>(form, "Edit1"), album))
        << "the edit lines leave dropped files to the window";
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &album, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(control<QLineEdit>(form, "Edit1"), &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(lines(),
              (QStringList {QStringLiteral("1. Intro"), QStringLiteral("2. First Song"),
                            QStringLiteral("3. Second Song"), QStringLiteral("4. album untagged"),
                            QStringLiteral("5. A Guest - Encore")}));
    EXPECT_EQ(control<QLineEdit>(form, "Edit3")->text(), QStringLiteral("The Band"))
        << "the album artist, though one artist differs";
    form.dropAlbumFiles({QByteArray(PLATTERA_TEST_DATA "/jpeg_baseline.jpg")});
    EXPECT_EQ(placed, QStringList {"jpeg_baseline.jpg on the front"});
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), QStringLiteral("The Album"));
    EXPECT_EQ(messages,
              QStringList {QStringLiteral(
                  "These files were left out, their tags cannot be read:\nalbum_broken.flac")});
}

// Insert shows the line it wrote: appended below the list's edge, or replaced out of view.
TEST_F(TrackEditor, InsertShowsTheLineItWrote)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (int track = 1; track <= 12; ++track)
        pressEnter();
    const QRect view = control<QListWidget>(form, "ListBox1")->viewport()->rect();
    EXPECT_TRUE(
        view.contains(control<QListWidget>(form, "ListBox1")
                          ->visualItemRect(control<QListWidget>(form, "ListBox1")->item(11))));
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    control<QListWidget>(form, "ListBox1")->scrollToBottom();
    pressEnter();
    EXPECT_TRUE(
        view.contains(control<QListWidget>(form, "ListBox1")
                          ->visualItemRect(control<QListWidget>(form, "ListBox1")->item(0))));
}

// An album folder as a file manager copies it: the music read, the pictures placed as the Image
// command places them, the rest and the music of a scans folder inside it passed over, and of the files that
// cannot be read ten named in the box and every one, with its reason, in the details.
TEST_F(TrackEditor, AnAlbumFolderGivesTracksAndPicturesAndNamesOnlyTheAudioLeftOut)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("scans"));
    QStringList files = {"album_disc1_a.flac 00.flac",  "png_half_alpha.png Cover.png",
                         "jpeg_baseline.jpg inlay.jpg", "jpeg_grey.jpg booklet.jpg",
                         "bmp_rgb32.bmp notes.txt",     "album_disc2.ogg scans/99.ogg",
                         "jpeg_grey.jpg scans/page.jpg"};
    for (int i = 1; i <= 11; ++i)
        files << QStringLiteral("album_broken.flac %1.flac").arg(i, 2, 10, QChar(u'0'));
    for (const QString& file : files)
        QFile::copy(QStringLiteral(PLATTERA_TEST_DATA "/") + file.section(u' ', 0, 0),
                    folder.filePath(file.section(u' ', 1)));
    type(QStringLiteral("Half typed"));

    QMimeData copied;
    copied.setUrls({QUrl::fromLocalFile(folder.path())});
    ASSERT_TRUE(form.pasteTracks(copied));
    EXPECT_EQ(lines(), QStringList {QStringLiteral("1. First Song")});
    EXPECT_EQ(placed, (QStringList {"Cover.png on the front", "inlay.jpg on the back"}));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.front().section(u'\n', 1).replace(u'\n', u' '),
              "01.flac 02.flac 03.flac 04.flac 05.flac 06.flac 07.flac 08.flac 09.flac 10.flac "
              "and 1 more");
    EXPECT_EQ(details.front().count(QRegularExpression(QStringLiteral("^\\d\\d\\.flac: \\w.*$"),
                                                       QRegularExpression::MultilineOption)),
              11)
        << qPrintable(details.front());
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("Half typed"))
        << "what was being typed stays";
}

// A title longer than a track holds is cut where a character ends, typed or pasted alike; a
// selected line comes into the type-in line whole, and a correction keeps its end.
TEST_F(TrackEditor, ALongTrackKeepsItsLengthWhicheverWayItCameIn)
{
    const QString fits(kMaxTitleLength - 1, u'a');
    const QString over = fits + QStringLiteral("\U0001F600b"); // the pair straddles the end
    type(over);
    pressEnter();
    QMimeData pasted;
    pasted.setText(over + "\n" + over);
    ASSERT_TRUE(form.pasteTracks(pasted));
    EXPECT_TRUE(lines() == QStringList({"1. " + fits, "2. " + fits, "3. " + fits}));
    control<QListWidget>(form, "ListBox1")->setCurrentRow(1);
    auto* edit = control<QLineEdit>(form, "Edit1");
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, "B");
    pressEnter();
    EXPECT_TRUE(lines().value(1) == "2. B" + fits.mid(1));
}

// A list pasted while a correction is being typed: the tracks come in at the end, and the
// correction goes on as it was.
TEST_F(TrackEditor, APastedListLeavesWhatIsBeingTypedAndTheSelection)
{
    for (const char* title : {"A", "B"}) {
        type(QLatin1String(title));
        pressEnter();
    }
    control<QListWidget>(form, "ListBox1")->setCurrentRow(0);
    type(QStringLiteral("1. A (live)"));
    QMimeData list;
    list.setText(QStringLiteral("X\nY\n"));
    ASSERT_TRUE(form.pasteTracks(list));
    EXPECT_EQ(control<QLineEdit>(form, "Edit1")->text(), QStringLiteral("1. A (live)"));
    pressEnter();
    EXPECT_EQ(lines(), (QStringList {"1. A (live)", "2. B", "3. X", "4. Y"}));
}

} // namespace
