// The long session: random commands on the real windows with two 12-megapixel photos on the
// cover. Prints the resident memory at command 1,000 (after warm-up) and at the end, the
// highest level in between, and the median time per command for every block of 1,000
// commands, so a leak or a slowdown shows as a trend.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app/startup.h"
#include "app/main_window.h"
#include "bench_pictures.h"
#include "pictures/picture_store.h"
#include "bench_soak.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "support/platform/scripted_platform.h"
#include "app/track_editor.h"

using namespace plattera;

namespace {

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1
        ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0)
        : 0;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int runSoak(int commands)
{
    QTemporaryDir dir;
    const QString back = dir.filePath(QStringLiteral("back.jpg"));
    const QString front = dir.filePath(QStringLiteral("front.jpg"));
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
    std::printf("making two 12-megapixel photos...\n");
    std::fflush(stdout);
    writePhotoJpeg(back, 4000, 3000, 1);
    writePhotoJpeg(front, 4000, 3000, 2);

    ScriptedPlatform platform;
    EditorState state;
    PictureStore pictures;
    state.pictures = &pictures;
    Sheets sheets(platform.logicalDpiY());
    AppWindows windows = createWindows(platform, state, sheets);
    MainWindow& mainWindow = *windows.mainWindow;
    TrackEditor& trackEditor = *windows.trackEditor;
    std::mt19937 random(20261207);
    auto chance = [&](int n) { return int(random() % unsigned(n)); };

    auto choose = [&](int page) {
        control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(page);
        platform.pictureAnswers.push_back(page == 0 ? back : front);
        control<GlyphButton>(mainWindow, "BitBtn5")->click();
    };
    auto editTracks = [&] {
        platform.modalScripts.push_back([&](QDialog&) {
            control<QLineEdit>(trackEditor, "Edit3")
                ->setText(QStringLiteral("Soak Ensemble %1").arg(chance(100)));
            control<QLineEdit>(trackEditor, "Edit2")
                ->setText(QStringLiteral("Long Session, take %1").arg(chance(1000)));
            if (control<QListWidget>(trackEditor, "ListBox1")->count() < 24) {
                control<QLineEdit>(trackEditor, "Edit1")
                    ->setText(QStringLiteral("Track with a fairly long name %1").arg(chance(1000)));
                control<QPushButton>(trackEditor, "Button3")->click();
            } else {
                control<QListWidget>(trackEditor, "ListBox1")
                    ->setCurrentRow(chance(control<QListWidget>(trackEditor, "ListBox1")->count()));
                control<QLineEdit>(trackEditor, "Edit1")
                    ->setText(QStringLiteral("%1. Corrected").arg(chance(24) + 1));
                control<QPushButton>(trackEditor, "Button3")->click();
            }
            control<QPushButton>(trackEditor, "Button1")->click(); // Continue
        });
        control<GlyphButton>(mainWindow, "button3")->click();
    };
    const std::vector<std::pair<int, std::function<void()>>> table = {
        {10, [&] { control<GlyphButton>(mainWindow, "BitBtn2")->click(); }},
        {10, [&] { control<GlyphButton>(mainWindow, "BitBtn1")->click(); }},
        {20,
         [&] {
             QCheckBox* boxes[] = {control<QCheckBox>(mainWindow, "CheckBox1"),
                                   control<QCheckBox>(mainWindow, "CheckBox2"),
                                   control<QCheckBox>(mainWindow, "CheckBox3"),
                                   control<QCheckBox>(mainWindow, "CheckBox4"),
                                   control<QCheckBox>(mainWindow, "CheckBox6")};
             boxes[chance(5)]->click();
         }},
        {8,
         [&] {
             platform.colourAnswers.push_back(
                 chance(4) ? std::optional<Colour>(Colour(random() & 0xFFFFFF)) : std::nullopt);
             control<QPushButton>(mainWindow, "Button2")->click();
         }},
        {8,
         [&] {
             static const char* faces[] = {"Arial", "DejaVu Sans", "Liberation Serif",
                                           "Liberation Mono"};
             FontChoice f;
             f.face = QString::fromLatin1(faces[chance(4)]);
             f.colour = Colour(random() & 0xFFFFFF);
             control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(chance(2));
             platform.fontAnswers.push_back(chance(4) ? std::optional<FontChoice>(f)
                                                      : std::nullopt);
             control<GlyphButton>(mainWindow, "Button1")->click();
         }},
        {10, [&] { choose(chance(2)); }},
        {10, editTracks},
        {4, [&] { control<GlyphButton>(mainWindow, "BitBtn4")->click(); }},
        {1,
         [&] {
             platform.printAnswers.push_back(pdf);
             control<GlyphButton>(mainWindow, "button4")->click();
         }},
        {1,
         [&] { // New Cover, then the same cover made again
             control<GlyphButton>(mainWindow, "BitBtn6")->click();
             editTracks();
             choose(0);
             choose(1);
         }},
    };
    int totalWeight = 0;
    for (const auto& row : table)
        totalWeight += row.first;

    // The cover the session starts from: a dozen tracks and both photos.
    for (int i = 0; i < 12; ++i)
        editTracks();
    choose(0);
    choose(1);

    const int block = 1000;
    const int warmUp = std::min(1000, commands);
    std::vector<double> times;
    std::vector<double> blockMedians;
    double rssWarm = 0, rssMax = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 1; i <= commands; ++i) {
        int pick = chance(totalWeight);
        size_t row = 0;
        while (pick >= table[row].first)
            pick -= table[row++].first;
        QElapsedTimer timer;
        timer.start();
        table[row].second();
        QCoreApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        platform.pictureAnswers.clear();
        platform.fontAnswers.clear();
        platform.colourAnswers.clear();
        platform.printAnswers.clear();
        platform.modalScripts.clear();

        if (i == warmUp)
            rssWarm = residentMiB();
        if (i >= warmUp)
            rssMax = std::max(rssMax, residentMiB());
        if (i % block == 0) {
            blockMedians.push_back(median(std::vector<double>(times.end() - block, times.end())));
            std::printf("commands %6d: median %7.2f ms, resident %7.1f MiB, %5.0f s so far\n", i,
                        blockMedians.back(), residentMiB(), double(total.elapsed()) / 1000.0);
            std::fflush(stdout);
        }
    }
    const double rssEnd = residentMiB();
    std::printf("\nsoak: %d commands in %.0f s, %zu error boxes\n", commands,
                double(total.elapsed()) / 1000.0, platform.errors.size());
    std::printf("resident memory: %.1f MiB at command %d, %.1f MiB at the end (%+.1f %%), highest "
                "after warm-up %.1f MiB (%+.1f %%)\n",
                rssWarm, warmUp, rssEnd, 100.0 * (rssEnd - rssWarm) / rssWarm, rssMax,
                100.0 * (rssMax - rssWarm) / rssWarm);
    std::printf("median time per command: %.2f ms over the run", median(times));
    if (blockMedians.size() >= 2) {
        std::printf("; first block %.2f ms, last block %.2f ms, blocks from %.2f to %.2f ms",
                    blockMedians.front(), blockMedians.back(),
                    *std::min_element(blockMedians.begin(), blockMedians.end()),
                    *std::max_element(blockMedians.begin(), blockMedians.end()));
    }
    std::printf("\n");
    const bool memoryHeld = rssMax <= rssWarm * 1.05;
    std::printf("memory within 5 %% of its level at command %d: %s\n", warmUp,
                memoryHeld ? "yes" : "NO");
    return memoryHeld && platform.errors.empty() ? 0 : 1;
}
