// A long track list pasted into the shown track editor, timed from the paste to the list laid
// out and scrolled to its end, at growing lengths. Beside each figure, the same lines put into a
// bare list widget at once: the floor for any list of that length. A paste that costs the same
// per line at every length grows linearly; one whose cost per line grows with the length is
// quadratic.
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMimeData>

#include "app/startup.h"
#include "app/track_editor.h"
#include "bench_paste.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "support/platform/scripted_platform.h"

using namespace plattera;

namespace {

QString numberedList(int lines)
{
    QString text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("%1. Movement number %1 in a longer title\n").arg(i);
    return text;
}

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The lines put into a list widget of the editor's size at once, shown and scrolled to its end.
double bareListMs(const QString& text)
{
    QListWidget list;
    list.resize(177, 153);
    list.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    list.addItems(text.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    list.scrollToBottom();
    QApplication::processEvents();
    return elapsedMs(timer);
}

double pasteMs(const QString& text)
{
    ScriptedPlatform platform;
    EditorState state;
    Sheets sheets(platform.logicalDpiY());
    AppWindows windows = createWindows(platform, state, sheets);
    TrackEditor& editor = *windows.trackEditor;
    editor.show();
    QApplication::processEvents();
    QMimeData data;
    data.setText(text);
    QElapsedTimer timer;
    timer.start();
    editor.pasteTracks(data);
    QApplication::processEvents();
    const double ms = elapsedMs(timer);
    editor.hide();
    return ms;
}

} // namespace

int runPasteBench(int lines)
{
    std::printf("%10s %12s %14s %12s\n", "lines", "paste ms", "ms per 1,000", "bare list ms");
    for (int count = 1000; count <= lines; count *= 4) {
        const QString text = numberedList(count);
        const double ms = pasteMs(text);
        std::printf("%10d %12.1f %14.2f %12.1f\n", count, ms, ms * 1000.0 / count,
                    bareListMs(text));
        std::fflush(stdout);
        if (count < lines && count * 4 > lines)
            count = lines / 4; // the last figure at the length asked for
    }
    return 0;
}
