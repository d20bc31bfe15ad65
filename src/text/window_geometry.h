#pragma once

#include <QSize>

class QWidget;

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

} // namespace plattera
