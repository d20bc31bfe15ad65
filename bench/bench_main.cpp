// Times the commands a user waits for, with two 12-megapixel photos on the cover and a dozen
// tracks laid out, and prints each figure in milliseconds and as a ratio to a plain libjpeg
// decode of one of those photos (the yardstick). Not a test: run it by hand on a Release build.
// `plattera_bench soak [commands]` runs the long session instead (20,000 commands by default),
// `plattera_bench startup [runs [program]]` times start-up on the X display against a bare Qt
// window (the program built beside it, or the one named); `plattera_bench paste [lines]` times
// a long list pasted into the track editor (200,000 lines by default); `plattera_bench tags
// [files [blocks]]` reads FLAC files full of empty padding blocks through the tag reader.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include "support/controls.h"
#include "app/startup.h"
#include "app/main_window.h"
#include "app/about_window.h"
#include "bench_bombs.h"
#include "bench_paste.h"
#include "bench_pictures.h"
#include "bench_soak.h"
#include "bench_startup.h"
#include "bench_tags.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "pictures/picture_store.h"
#include "support/platform/scripted_platform.h"
#include "app/track_editor.h"
#include "text/layouts.h"

using namespace plattera;

namespace {

double medianMs(int runs, const std::function<void()>& before, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Row {
    const char* name;
    double ms;
};

// A title of hundreds of characters walks the fitting down to the smallest size on the front
// and both spines.
double longTitleLayoutMs(int runs, int dpi)
{
    Sheets sheets(dpi);
    EditorState state;
    CoverInputs inputs;
    inputs.artist = QStringLiteral("A");
    inputs.title = QString(500, QLatin1Char('M'));
    return medianMs(runs, nullptr, [&] { leftAlignedLayout(sheets, state, inputs); });
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything changes the environment the programs started there inherit.
    if (argc > 1 && QByteArray(argv[1]) == "startup")
        return runStartupBench(argc > 2 ? std::max(1, std::atoi(argv[2])) : 21,
                               argc > 3 ? argv[3] : nullptr);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    const bool soak = argc > 1 && QByteArray(argv[1]) == "soak";
    const bool paste = argc > 1 && QByteArray(argv[1]) == "paste";
    const int runs = argc > 1 && !soak && !paste ? std::max(1, std::atoi(argv[1])) : 5;

    plattera::returnLargeBlocksToTheSystem();
    QElapsedTimer startupTimer;
    startupTimer.start();
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "bombs")
        return runBombBench(argv[2]);
    if (argc > 1 && QByteArray(argv[1]) == "tags")
        return runTagBench(argc > 2 ? std::max(1, std::atoi(argv[2])) : 16,
                           argc > 3 ? std::max(1, std::atoi(argv[3])) : 14000000);
    if (paste)
        return runPasteBench(argc > 2 ? std::max(1000, std::atoi(argv[2])) : 200000);
    if (soak)
        return runSoak(argc > 2 ? std::max(1, std::atoi(argv[2])) : 20000);
    const double applicationMs = double(startupTimer.nsecsElapsed()) / 1e6;

    QTemporaryDir dir;
    const QString backJpeg = dir.filePath(QStringLiteral("back.jpg"));
    const QString frontJpeg = dir.filePath(QStringLiteral("front.jpg"));
    const QString gif = dir.filePath(QStringLiteral("big.gif"));
    const QString bmp = dir.filePath(QStringLiteral("big.bmp"));
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));

    std::printf("making pictures...\n");
    std::fflush(stdout);
    writePhotoJpeg(backJpeg, 4000, 3000, 1);
    writePhotoJpeg(frontJpeg, 4000, 3000, 2);
    writeGif(gif, 4000, 3000);
    writeNoisyBmp(bmp, 3000, 2000);

    std::vector<Row> rows;
    const double yardstick = medianMs(runs, nullptr, [&] { decodeJpegPlain(backJpeg); });

    // Start-up to the main window shown, the application object aside.
    ScriptedPlatform platform;
    EditorState state;
    PictureStore pictures;
    state.pictures = &pictures;
    const auto forgetDecodedPictures = [&] { pictures.clear(); };
    Sheets sheets(platform.logicalDpiY());
    QElapsedTimer windowsTimer;
    windowsTimer.start();
    AppWindows windows = createWindows(platform, state, sheets);
    QApplication::processEvents();
    const double startupWindows = double(windowsTimer.nsecsElapsed()) / 1e6;
    MainWindow& mainWindow = *windows.mainWindow;
    TrackEditor& trackEditor = *windows.trackEditor;

    control<QLineEdit>(trackEditor, "Edit3")->setText(QStringLiteral("The Benchmark Ensemble"));
    control<QLineEdit>(trackEditor, "Edit2")
        ->setText(QStringLiteral("Twelve Pieces for Two Photos"));
    for (int i = 1; i <= 12; ++i) {
        control<QLineEdit>(trackEditor, "Edit1")
            ->setText(QStringLiteral("Movement number %1 in a longer title").arg(i));
        trackEditor.onInsert();
    }
    mainWindow.runLeftLayout();

    auto chooseBack = [&](const QString& file) {
        control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(0);
        platform.pictureAnswers.push_back(file);
        mainWindow.onImage();
    };
    auto chooseFront = [&](const QString& file) {
        control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(1);
        platform.pictureAnswers.push_back(file);
        mainWindow.onImage();
        control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(0);
    };
    chooseBack(backJpeg);
    chooseFront(frontJpeg);

    rows.push_back(
        {"Continue (left layout)", medianMs(runs, nullptr, [&] { mainWindow.runLeftLayout(); })});
    rows.push_back(
        {"Layout, 500-character title", longTitleLayoutMs(runs, platform.logicalDpiY())});
    rows.push_back({"Center", medianMs(runs, nullptr, [&] { mainWindow.onCentre(); })});
    mainWindow.onLeft();
    rows.push_back({"Extend back picture", medianMs(runs, nullptr, [&] {
                        control<QCheckBox>(mainWindow, "CheckBox6")->click();
                    })});
    rows.push_back({"Color",
                    medianMs(
                        runs, [&] { platform.colourAnswers.push_back(0x0000FF); },
                        [&] { mainWindow.onOutlineColour(); })});
    // A newly chosen picture is decoded afresh, and so is the front one in the re-layout:
    // nothing kept from earlier loads helps here.
    rows.push_back({"Image, new back JPEG",
                    medianMs(runs, forgetDecodedPictures, [&] { chooseBack(backJpeg); })});
    rows.push_back(
        {"Image, new back GIF", medianMs(runs, forgetDecodedPictures, [&] { chooseBack(gif); })});
    rows.push_back(
        {"Image, new back BMP", medianMs(runs, forgetDecodedPictures, [&] { chooseBack(bmp); })});
    chooseBack(backJpeg);
    rows.push_back(
        {"Print to PDF",
         medianMs(
             runs, [&] { platform.printAnswers.push_back(pdf); }, [&] { mainWindow.onPrint(); })});
    const qint64 photosPdfBytes = QFileInfo(pdf).size();
    // A lossless back picture is embedded pixel for pixel, not as JPEG.
    chooseBack(bmp);
    rows.push_back(
        {"Print to PDF, back BMP",
         medianMs(
             runs, [&] { platform.printAnswers.push_back(pdf); }, [&] { mainWindow.onPrint(); })});
    const qint64 bmpPdfBytes = QFileInfo(pdf).size();
    chooseBack(backJpeg);
    rows.push_back({"New Cover",
                    medianMs(
                        runs,
                        [&] {
                            mainWindow.runLeftLayout();
                            chooseBack(backJpeg);
                            chooseFront(frontJpeg);
                        },
                        [&] { mainWindow.onNewCover(); })});

    std::printf("\n%-28s %10s %8s\n", "figure", "ms", "ratio");
    std::printf("%-28s %10.1f %8.2f\n", "yardstick: libjpeg decode", yardstick, 1.0);
    for (const Row& row : rows)
        std::printf("%-28s %10.1f %8.2f\n", row.name, row.ms, row.ms / yardstick);
    std::printf("%-28s %10.1f %8s\n", "start-up: windows shown", startupWindows, "-");
    std::printf("%-28s %10.1f %8s\n", "start-up: with application", applicationMs + startupWindows,
                "-");
    std::printf("PDF size: two JPEG photos %.1f MB, BMP back and JPEG front %.1f MB\n",
                double(photosPdfBytes) / 1e6, double(bmpPdfBytes) / 1e6);
    if (!platform.errors.empty())
        std::printf("errors: %s\n", qPrintable(platform.errors.front().text));
    return platform.errors.empty() ? 0 : 1;
}
