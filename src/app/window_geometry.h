#pragma once

#include <functional>

#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>

class QAbstractButton;

namespace plattera {

// round(value * factor), the product taken in floating point.
int scaledSize(int value, double factor);

// Sizes a window by its outer size (title bar and frame included). Where the window manager
// adds a frame, the client area is the outer size less the frame; with no frame they are equal.
void setOuterSize(QWidget* window, const QSize& outer);
QSize outerSize(const QWidget* window);

// A window manager's frame becomes known only once the window is on screen. Checks again then
// and, where a frame has appeared, sizes the window to that outer size again and (for a first
// showing) centres it again, so the outer size is what the show handler asked for.
void settleOuterSize(QWidget* window, const QSize& outer, const QSize& screenForCentring);

// Moves the window to the middle of the screen, each coordinate raised to 0 if negative.
void centreOnScreen(QWidget* window, const QSize& screen);

// What every window does when it is shown anew: its show handler sizes it, it is centred on
// the screen at its first showing only, and its outer size is kept once a frame is known.
// An empty screen size (no way to ask) leaves the position alone.
void showWindow(QWidget* window, bool& shownOnce, const std::function<void()>& showHandler,
                const QSize& screen);

// Enter on the focused button presses it, as on the classic controls, without making it the
// window's default button, which Enter in an edit line would press too.
void pressOnEnter(QAbstractButton* button);

// The faces the forms are laid out in: the window face, and the classic dialog face, which
// pixelFont draws with the installed face of its metrics.
inline const QString kWindowFace = QStringLiteral("Arial");
inline const QString kDialogFace = QStringLiteral("MS Sans Serif");

// A font of a face with a character height in pixels, as the forms' fixed layouts give them.
QFont pixelFont(const QString& face, int pixelHeight);

// Names a control and puts it at its fixed place: with no size given, sized to its contents.
template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width = -1, int height = -1)
{
    widget->setObjectName(QLatin1String(name));
    if (width < 0) {
        widget->adjustSize();
        widget->move(left, top);
    } else {
        widget->setGeometry(left, top, width, height);
    }
    return widget;
}

} // namespace plattera
