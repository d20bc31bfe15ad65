#pragma once

#include <memory>

#include <QString>

#include "app/platform.h"
#include "model/editor_state.h"
#include "model/sheets.h"

namespace plattera {

class MainWindow;
class TrackEditor;
class AboutWindow;

struct AppWindows {
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<TrackEditor> trackEditor;
    std::unique_ptr<AboutWindow> aboutWindow;
    AppWindows();
    AppWindows(AppWindows&&) noexcept;
    AppWindows& operator=(AppWindows&&) noexcept;
    ~AppWindows();
};

// The windows in their fixed order: the main window created (its create handler runs at the end of
// its creation) and shown, then the track editor and the About window created hidden.
AppWindows createWindows(Platform& platform, EditorState& state, Sheets& sheets);

// Empty when "arial" resolves to a face with Arial's metrics, else what to install.
QString arialFontProblem();

// Qt takes its platform, its scaling and its font resolution from environment variables; the
// program decides them itself, before the application object exists: X (XWayland included)
// wherever a display is there, since only there can a window be placed centred, else Wayland;
// no scaling of any kind. False when there is no desktop at all.
bool takeOverQtEnvironment();

// The command line Qt gets: the program's name alone, so no option (-reverse, -style,
// -platform) reaches it. Must outlive the application object.
struct QtCommandLine {
    explicit QtCommandLine(char* programName) : argv {programName, nullptr} { }
    int argc = 1;
    char* argv[2];
};

// Points Qt's own settings file (the file dialog's history, the colour dialog's custom colours)
// where nothing can be written: the program keeps no settings. For the whole process.
void keepQtSettingsNowhere();

// Hands the memory of large transient blocks (a photo being decoded, a page being printed) back
// to the system as soon as they are freed, so the resident size follows the cover over a long
// session instead of keeping the highest level any command reached.
void returnLargeBlocksToTheSystem();

// The whole program: start-up, the event loop, the exit code. It reads no arguments.
int runPlattera(char* programName);

} // namespace plattera
