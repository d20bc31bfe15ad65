#include "app/startup.h"

#include <cstdio>

#include <QApplication>
#include <QCursor>
#include <QFontInfo>

#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/qt_platform.h"
#include "app/tform1.h"
#include "app/tform3.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_loader.h"
#include "text/tform2.h"

namespace plattera {

AppWindows::AppWindows() = default;
AppWindows::AppWindows(AppWindows&&) noexcept = default;
AppWindows& AppWindows::operator=(AppWindows&&) noexcept = default;
AppWindows::~AppWindows() = default;

AppWindows createWindows(Platform& platform, EditorState& state, Sheets& sheets)
{
    AppWindows windows;
    windows.form1 = std::make_unique<TForm1>(platform, state, sheets);
    windows.form1->FormCreate();
    windows.form1->show();
    windows.form2 = std::make_unique<TForm2>(state, sheets);
    windows.form3 = std::make_unique<TForm3>();
    windows.form1->attachWindows(windows.form2.get(), windows.form3.get());
    return windows;
}

QString arialFontProblem()
{
    const QFontInfo info(QFont(QStringLiteral("arial")));
    const QString family = info.family();
    if (family.compare(QLatin1String("Liberation Sans"), Qt::CaseInsensitive) == 0
        || family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QString();
    return QStringLiteral("The font \"arial\" resolves to \"%1\", which does not have Arial's metrics, so "
                          "covers will not be laid out as intended. Install the package fonts-liberation "
                          "(sudo apt-get install fonts-liberation).")
        .arg(family);
}

static bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runPlattera(int argc, char** argv)
{
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "Plattera is a desktop program and needs a graphical desktop: start it from a "
                     "desktop session, or without one through xvfb-run (xvfb-run plattera).\n");
        return 2;
    }
    // Windows, controls and sheets are laid out in fixed pixels, whatever the pixel density.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", "1");

    // The format table is complete before any window exists: the picture dialog reads it.
    PictureFileFormats();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plattera"));
    QApplication::setDesktopFileName(QStringLiteral("plattera"));
    QApplication::setWindowIcon(windowIcon());

    // A big photo takes a moment to decode: the wait cursor shows it, and restoring it gives
    // back whatever pointer the program had set before.
    setLongDecodeNotifier([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });

    QtPlatform platform;
    if (const QString problem = arialFontProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        platform.showError(nullptr, kApplicationTitle, problem);
    }

    EditorState state;
    Sheets sheets(platform.logicalDpiY());
    AppWindows windows = createWindows(platform, state, sheets);
    return app.exec();
}

} // namespace plattera
