#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app/sheet_view.h"
#include "app_test_util.h"
#include "pictures/picture_formats.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "support/platform/app_fixture.h"

using namespace plattera;

namespace {

const QRgb kInk = qRgb(0, 0, 0);
const QRgb kPaper = qRgb(255, 255, 255);

class PictureCommands : public AppFixture {
protected:
    QTemporaryDir dir;

    QString picture(const QString& name, const QImage& image)
    {
        return writeTestBmp(dir.filePath(name), image);
    }
    QString broken(const QString& name)
    {
        return writeTestFile(dir.filePath(name), "not a picture");
    }
    void run(void (MainWindow::*handler)())
    {
        mainWindow().runCommand([this, handler] { (mainWindow().*handler)(); });
    }
    void image(NotebookPage page, const std::optional<QString>& answer)
    {
        control<QTabWidget>(mainWindow(), "TabbedNotebook1")->setCurrentIndex(int(page));
        platform.pictureAnswers.push_back(answer);
        run(&MainWindow::onImage);
    }
    void continueLayout(const QStringList& tracks)
    {
        control<QLineEdit>(trackEditor(), "Edit3")->setText(QStringLiteral("Artist"));
        control<QLineEdit>(trackEditor(), "Edit2")->setText(QStringLiteral("Title"));
        for (const QString& track : tracks) {
            control<QLineEdit>(trackEditor(), "Edit1")->setText(track);
            trackEditor().onInsert();
        }
        trackEditor().onContinue();
    }
};

TEST_F(PictureCommands, BackBandsLandAsTheBoxSaysAndExtendUsesMixedFolds)
{
    image(NotebookPage::Back, picture(QStringLiteral("back.bmp"), columnCodedImage(442, 353)));
    ASSERT_TRUE(platform.errors.empty());
    EXPECT_TRUE(state.backPicture.shown());
    const Sheets& s = sheets();
    // Extended: spines show composite columns 0-21 and 420-441, the panel 22-419; the outlines
    // lie over them with the fold lines in the inner placement.
    EXPECT_EQ(sourceColumnOf(s.leftSpine.image().pixel(5, 100)), 5);
    EXPECT_EQ(sourceColumnOf(s.rightSpine.image().pixel(10, 100)), 430);
    EXPECT_EQ(sourceColumnOf(s.backPanel.image().pixel(0, 100)), 22);
    EXPECT_EQ(sourceColumnOf(s.backPanel.image().pixel(399, 100)), 419);
    EXPECT_TRUE(AreaIs(s.leftSpine.image(), QRect(20, 0, 1, 353), kInk));
    EXPECT_TRUE(AreaIs(s.rightSpine.image(), QRect(1, 0, 1, 353), kInk));
    EXPECT_TRUE(AreaIs(s.backPanel.image(), QRect(0, 0, 400, 1), kInk));

    control<QCheckBox>(mainWindow(), "CheckBox6")->click();
    ASSERT_FALSE(control<QCheckBox>(mainWindow(), "CheckBox6")->isChecked());
    EXPECT_EQ(sourceColumnOf(s.backPanel.image().pixel(0, 100)), 0);
    EXPECT_GE(sourceColumnOf(s.backPanel.image().pixel(399, 100)), 440);
    // The spines carry no picture, only the figures: fold lines in columns 20 and 0.
    EXPECT_TRUE(AreaIs(s.leftSpine.image(), QRect(1, 1, 19, 351), kPaper));
    EXPECT_TRUE(AreaIs(s.leftSpine.image(), QRect(20, 0, 1, 353), kInk));
    EXPECT_TRUE(AreaIs(s.rightSpine.image(), QRect(0, 0, 1, 353), kInk));
    EXPECT_TRUE(AreaIs(s.rightSpine.image(), QRect(1, 1, 20, 351), kPaper));

    control<QCheckBox>(mainWindow(), "CheckBox6")->click();
    EXPECT_EQ(sourceColumnOf(s.leftSpine.image().pixel(5, 100)), 5);
    EXPECT_EQ(sourceColumnOf(s.rightSpine.image().pixel(10, 100)), 430);
    EXPECT_EQ(sourceColumnOf(s.backPanel.image().pixel(200, 100)), 22 + 200 * 398 / 400);
}

TEST_F(PictureCommands, ExtendWithoutBackPictureChangesNoPixel)
{
    const SheetPixels before(sheets());
    control<QCheckBox>(mainWindow(), "CheckBox6")->click();
    EXPECT_TRUE(SameSheets(before, SheetPixels(sheets())));
    control<QCheckBox>(mainWindow(), "CheckBox6")->click();
    EXPECT_TRUE(SameSheets(before, SheetPixels(sheets())));
}

TEST_F(PictureCommands, FrontPictureOfAnyShapeFillsTheFrontSheet)
{
    QImage tall(2, 300, QImage::Format_RGB32);
    tall.fill(qRgb(0, 150, 0));
    image(NotebookPage::Front, picture(QStringLiteral("front.bmp"), tall));
    EXPECT_TRUE(state.frontPicture.shown());
    EXPECT_FALSE(state.backPicture.shown());
    const QImage& front = sheets().frontCover.image();
    EXPECT_TRUE(AreaIs(front, QRect(1, 1, 359, 351), qRgb(0, 150, 0)));
    EXPECT_TRUE(AreaIs(front, QRect(0, 0, 361, 1), kInk));
}

TEST_F(PictureCommands, DialogStartsFromTheLastChosenFileOfEitherPage)
{
    const QString back = picture(QStringLiteral("b.bmp"), columnCodedImage(4, 4));
    image(NotebookPage::Back, back);
    image(NotebookPage::Front, std::nullopt);
    ASSERT_EQ(platform.pictureRequests.size(), 2u);
    EXPECT_TRUE(platform.pictureRequests[0].initialFile.isEmpty());
    EXPECT_EQ(platform.pictureRequests[1].initialFile, back);
    EXPECT_EQ(platform.pictureRequests[1].filters, pictureDialogSettings().filters);
    EXPECT_EQ(platform.pictureRequests[1].defaultExtension,
              pictureDialogSettings().defaultExtension);
    EXPECT_FALSE(state.frontPicture.shown()) << "a cancelled dialog changes no picture";
}

TEST_F(PictureCommands, UnreadableFileKeepsThePreviousPictureAndShowsTheError)
{
    const QString good = picture(QStringLiteral("good.bmp"), columnCodedImage(442, 353));
    image(NotebookPage::Back, good);
    const QString bad = broken(QStringLiteral("bad.bmp"));
    image(NotebookPage::Back, bad);
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(state.backPicture.file(), good);
    EXPECT_TRUE(state.backPicture.shown());
    EXPECT_EQ(mainWindow().lastPictureFile(), bad);

    image(NotebookPage::Front, bad);
    EXPECT_EQ(platform.errors.size(), 2u);
    EXPECT_TRUE(state.frontPicture.file().isEmpty());
    EXPECT_FALSE(state.frontPicture.shown());

    // The cover still repaints from the good file.
    continueLayout({QStringLiteral("one")});
    EXPECT_EQ(platform.errors.size(), 2u);
    EXPECT_EQ(sourceColumnOf(sheets().leftSpine.image().pixel(5, 100)), 5);
}

TEST_F(PictureCommands, VanishedFileIsKeptAndDrawsNothing)
{
    const QString gone = dir.filePath(QStringLiteral("typed-name.bmp"));
    image(NotebookPage::Front, gone);
    EXPECT_TRUE(platform.errors.empty());
    EXPECT_EQ(state.frontPicture.file(), gone);
    EXPECT_TRUE(state.frontPicture.shown());
    EXPECT_TRUE(AreaIs(sheets().frontCover.image(), QRect(1, 1, 359, 351), kPaper));
}

TEST_F(PictureCommands, SavedBrushStylesDecideWhetherLaterFillsWipe)
{
    // Right after start-up every brush is solid.
    image(NotebookPage::Back, std::nullopt);
    EXPECT_EQ(state.savedBrushes.front, BrushStyle::Solid);
    EXPECT_EQ(state.savedBrushes.leftSpine, BrushStyle::Solid);
    // New Cover, then clearing "Front" with solid saved styles wipes the front outline away.
    run(&MainWindow::onNewCover);
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    EXPECT_TRUE(AreaIs(sheets().frontCover.image(), sheets().frontCover.image().rect(), kPaper));
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();

    // After a layout the brushes are clear, and so are the styles the next Image records.
    continueLayout({QStringLiteral("one")});
    image(NotebookPage::Back, std::nullopt);
    EXPECT_EQ(state.savedBrushes.back, BrushStyle::Clear);
    EXPECT_EQ(state.savedBrushes.front, BrushStyle::Clear);
    EXPECT_EQ(state.savedBrushes.leftSpine, BrushStyle::Clear);
    EXPECT_EQ(state.savedBrushes.rightSpine, BrushStyle::Clear);
    // Now the fill of "Front" paints nothing: New Cover's front outline stays.
    run(&MainWindow::onNewCover);
    control<QCheckBox>(mainWindow(), "CheckBox3")->click();
    EXPECT_FALSE(control<QCheckBox>(mainWindow(), "CheckBox3")->isChecked());
    EXPECT_TRUE(AreaIs(sheets().frontCover.image(), QRect(0, 0, 361, 1), kInk));
}

TEST_F(PictureCommands, CancelledImageRightAfterStartUpDrawsInnerFolds)
{
    image(NotebookPage::Back, std::nullopt);
    EXPECT_TRUE(AreaIs(sheets().leftSpine.image(), QRect(20, 0, 1, 353), kInk));
    EXPECT_TRUE(AreaIs(sheets().rightSpine.image(), QRect(1, 0, 1, 353), kInk));
    for (SheetCanvas* sheet : sheets().visible())
        EXPECT_EQ(sheet->brushStyle(), BrushStyle::Clear);
}

TEST_F(PictureCommands, CenterBeforeContinueLeavesTextLaidOutClear)
{
    control<QLineEdit>(trackEditor(), "Edit1")->setText(QStringLiteral("ab"));
    trackEditor().onInsert();
    run(&MainWindow::onCentre);
    EXPECT_TRUE(state.centredMode);
    EXPECT_FALSE(state.textLaidOut);
    // The track is drawn, centred; no artist or title has been taken.
    const QImage& panel = sheets().backPanel.image();
    QRect ink;
    for (int y = 3; y < 3 + state.trackMeasures.lineHeight; ++y)
        for (int x = 0; x < 400; ++x)
            if (panel.pixel(x, y) != kPaper)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.left(), 60);
    EXPECT_NEAR(ink.center().x(), 200, 5);
    EXPECT_TRUE(AreaIs(sheets().frontCover.image(), QRect(1, 1, 359, 351), kPaper));
}

// The pictures of an album folder pasted into the open track editor, once texts are laid out:
// each placed as the Image command places it, a broken one undone with its own box, and the
// editor stays open for the user to go on.
TEST_F(PictureCommands, AnAlbumFoldersPicturesAreTheImageCommandAndTheEditorStaysOpen)
{
    continueLayout({QStringLiteral("One")});
    trackEditor().show();
    const QString cover = picture(QStringLiteral("folder.bmp"), columnCodedImage(361, 353));
    broken(QStringLiteral("back.jpg"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PLATTERA_TEST_DATA "/album_disc1_a.flac"),
                            dir.filePath(QStringLiteral("01.flac"))));
    QMimeData copied;
    copied.setUrls({QUrl::fromLocalFile(dir.path())});
    ASSERT_TRUE(trackEditor().pasteTracks(copied));

    EXPECT_TRUE(trackEditor().isVisible());
    EXPECT_EQ(trackEditor().trackLines(),
              (QStringList {QStringLiteral("1. One"), QStringLiteral("2. First Song")}));
    EXPECT_EQ(state.frontPicture.file(), cover);
    EXPECT_TRUE(state.frontPicture.shown());
    EXPECT_FALSE(state.backPicture.shown());
    EXPECT_EQ(platform.errors.size(), 1u) << "the broken back picture's";
}

// An album dropped beside the sheets, or pasted, on the main window: the track editor opens with
// it, as if it had been pasted there, and the cover embedded in its track goes on the front as
// a picture file would, read again from the store by a repaint.
TEST_F(PictureCommands, AnAlbumOnTheMainWindowOpensTheEditorWithItsEmbeddedCoverOnTheFront)
{
    const QString track = dir.filePath(QStringLiteral("01.flac")), png = dir.path() + ".png";
    const QImage cover = columnCodedImage(361, 353);
    ASSERT_TRUE(QFile::copy(QStringLiteral(PLATTERA_TEST_DATA "/album_disc1_a.flac"), track));
    QFile::setPermissions(track, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(cover.save(png));
    ASSERT_EQ(QProcess::execute("metaflac", {"--import-picture-from=3||||" + png, track}), 0);
    QFile::remove(png);
    QStringList seen;
    const auto lookAtTheEditor = [&](QDialog& editor) {
        seen << QString::number(&editor == &trackEditor()) + ' ' + trackEditor().trackLines()[0];
    };
    auto* copied = new QMimeData;
    copied->setUrls({QUrl::fromLocalFile(dir.path())});
    platform.modalScripts.push_back(lookAtTheEditor);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, copied, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(control<SheetView>(mainWindow(), "Image1"), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, copied, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(control<SheetView>(mainWindow(), "Image1"), &dropped);
    QCoreApplication::processEvents();
    EXPECT_EQ(state.frontPicture.file(), track + QStringLiteral(" (front cover)"));
    trackEditor().resetForNewCover();
    platform.modalScripts.push_back(lookAtTheEditor);
    QGuiApplication::clipboard()->setMimeData(copied);
    mainWindow().onPaste();
    EXPECT_EQ(seen, QStringList(2, "1 1. First Song"));
    run(&MainWindow::onCentre);
    EXPECT_TRUE(
        ImagesEqual(sheets().frontCover.image().copy(1, 1, 359, 351), cover.copy(1, 1, 359, 351)));
    EXPECT_TRUE(platform.errors.empty());
}

} // namespace

// Each drop goes to the sheet named, with the notebook on the other page; the result must be
// what the dialog would have given on the page dropped on.
TEST_F(PictureCommands, APictureDroppedOnASheetIsTheImageCommandForThatPage)
{
    const QString back = picture(QStringLiteral("back.bmp"), columnCodedImage(442, 353));
    const auto drop = [&](QWidget* sheet, const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(sheet, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(sheet, &dropped);
        QCoreApplication::processEvents();
        return dropped.dropAction() == Qt::CopyAction;
    };
    image(NotebookPage::Back, back);
    const SheetPixels fromDialog(sheets());
    start();
    platform.pictureRequests.clear();

    EXPECT_FALSE(drop(control<SheetView>(mainWindow(), "Image2"),
                      writeTestFile(dir.filePath(QStringLiteral("notes.txt")), "x")));
    control<QTabWidget>(mainWindow(), "TabbedNotebook1")->setCurrentIndex(1);
    ASSERT_TRUE(drop(control<SheetView>(mainWindow(), "Image2"), back));
    EXPECT_EQ(control<QTabWidget>(mainWindow(), "TabbedNotebook1")->currentIndex(), 0);
    EXPECT_TRUE(SameSheets(SheetPixels(sheets()), fromDialog));
    EXPECT_EQ(mainWindow().lastPictureFile(), back);
    EXPECT_TRUE(platform.pictureRequests.empty());

    const SheetPixels before(sheets());
    ASSERT_TRUE(
        drop(control<SheetView>(mainWindow(), "Image4"), broken(QStringLiteral("front.jpg"))));
    EXPECT_EQ(control<QTabWidget>(mainWindow(), "TabbedNotebook1")->currentIndex(), 1);
    EXPECT_EQ(platform.errors.size(), 1u);
    EXPECT_FALSE(state.frontPicture.shown()) << "the failed command is undone";
    EXPECT_TRUE(SameSheets(SheetPixels(sheets()), before));
}
