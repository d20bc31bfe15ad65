#include "app/startup.h"

#include <cstdio>
#include <thread>

#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <sys/stat.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QSettings>

#include "app/accessibility.h"
#include "app/arial_face.h"
#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/qt_platform.h"
#include "app/main_window.h"
#include "app/about_window.h"
#include "app/window_geometry.h"
#include "model/editor_state.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_store.h"
#include "app/track_editor.h"

namespace plattera {

AppWindows::AppWindows() = default;
AppWindows::AppWindows(AppWindows&&) noexcept = default;
AppWindows& AppWindows::operator=(AppWindows&&) noexcept = default;
AppWindows::~AppWindows() = default;

AppWindows createWindows(Platform& platform, EditorState& state, Sheets& sheets)
{
    installAccessibleRoles();
    AppWindows windows;
    windows.mainWindow = std::make_unique<MainWindow>(platform, state, sheets);
    windows.mainWindow->onCreate();
    windows.mainWindow->show();
    // The main window goes up now; the hidden windows are built while the server maps it.
    // (Qt's offscreen platform answers to the X11 interface too, with no connection.)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        if (xcb_connection_t* connection = x11->connection())
            xcb_flush(connection);
    windows.trackEditor =
        std::make_unique<TrackEditor>(state, sheets, windows.mainWindow->trackEditorLinks());
    windows.aboutWindow =
        std::make_unique<AboutWindow>([&platform] { return platform.screenSize(); });
    windows.mainWindow->attachWindows(windows.trackEditor.get(), windows.aboutWindow.get());
    return windows;
}

QString arialFontProblem()
{
    const QString family = arialFace();
    if (family.compare(QLatin1String("Liberation Sans"), Qt::CaseInsensitive) == 0 ||
        family.compare(kWindowFace, Qt::CaseInsensitive) == 0)
        return QString();
    return QStringLiteral(
               "The font \"arial\" resolves to \"%1\", which does not have Arial's metrics, so "
               "covers will not be laid out as intended. Install the package fonts-liberation "
               "(sudo apt-get install fonts-liberation).")
        .arg(family);
}

static bool sessionBusAnnounced()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // The per-user bus of a systemd session, which libdbus finds without being told.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat bus;
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &bus) == 0 &&
        S_ISSOCK(bus.st_mode);
}

bool takeOverQtEnvironment()
{
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!x11 && !wayland)
        return false;
    // Qt tries the platforms in turn: an X display named but gone leaves Wayland.
    qputenv("QT_QPA_PLATFORM", x11 ? (wayland ? "xcb;wayland" : "xcb") : "wayland");
    // Windows, controls, fonts and sheets are laid out in fixed pixels, whatever the session
    // asks for.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI",
                             "QT_USE_PHYSICAL_DPI", "QT_AUTO_SCREEN_SCALE_FACTOR",
                             "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_DEVICE_PIXEL_RATIO"})
        qunsetenv(name);
    // With no session bus to be found, libdbus would autolaunch one for the X display, which
    // writes ~/.dbus/session-bus/ and leaves a bus daemon behind. The program does without a
    // bus: an address of a kind libdbus does not know makes Qt's connections fail at once.
    if (!sessionBusAnnounced())
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return true;
}

void keepQtSettingsNowhere()
{
    // A folder below a device file can never be created, so Qt's dialogs read no history and
    // write none; the program remembers what it needs itself, in memory.
    const QString nowhere = QStringLiteral("/dev/null");
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, nowhere);
}

void returnLargeBlocksToTheSystem()
{
    // glibc raises its mmap threshold after each large free, after which multi-megabyte blocks
    // come from the heap and stay there; fixed thresholds keep them mapped and trim the rest.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
}

int runPlattera(char* programName)
{
    returnLargeBlocksToTheSystem();
    if (!takeOverQtEnvironment()) {
        std::fprintf(stderr,
                     "Plattera is a desktop program and needs a graphical desktop: start it from a "
                     "desktop session, or without one through xvfb-run (xvfb-run plattera).\n");
        return 2;
    }
    // The style measures its check boxes, tabs and frames by the screen's logical pixels per
    // inch (Xft.dpi); at 96 they keep their pixel sizes. The screen still reports its own
    // value, which the sheets' fonts follow.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);

    // The format table is complete before any window exists: the picture dialog reads it.
    pictureFileFormats();

    // Reading fontconfig's configuration and finding Arial's face take milliseconds that the
    // first font look-up would spend before the window can appear, more the more faces are
    // installed; connecting to the display takes longer, so they run side by side. Joined before
    // any font is used, so fontconfig is set up only once.
    std::thread fontconfigSetUp([] {
        FcInit();
        arialFace();
    });
    QtCommandLine commandLine(programName);
    QApplication app(commandLine.argc, commandLine.argv);
    fontconfigSetUp.join();
    // The toolbar's pictures are decoded while the fonts are looked up.
    std::thread glyphDecoding(decodeGlyphs);
    // One look whatever the desktop or QT_STYLE_OVERRIDE: the forms are laid out for it.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("Plattera"));
    QApplication::setDesktopFileName(QStringLiteral("plattera"));

    keepQtSettingsNowhere();
    QtPlatform platform;
    if (const QString problem = arialFontProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        platform.showError(nullptr, kApplicationTitle, problem, QString());
    }
    glyphDecoding.join();
    QApplication::setWindowIcon(windowIcon());

    EditorState state;
    PictureStore pictures;
    state.pictures = &pictures;
    // A big photo takes a moment to decode: the wait cursor shows it, and restoring it gives
    // back whatever pointer the program had set before.
    pictures.setLongDecodeNotifier([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });
    Sheets sheets(platform.logicalDpiY());
    AppWindows windows = createWindows(platform, state, sheets);
    return app.exec();
}

} // namespace plattera
