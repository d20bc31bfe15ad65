#include "app/window_geometry.h"

#include <cmath>
#include <memory>

#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace plattera {

int scaledSize(int value, double factor)
{
    return int(std::lround(double(value) * factor));
}

static QMargins frameOf(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle())
        return handle->frameMargins();
    return {};
}

void setOuterSize(QWidget* window, const QSize& outer)
{
    const QMargins frame = frameOf(window);
    window->resize(outer.width() - frame.left() - frame.right(),
                   outer.height() - frame.top() - frame.bottom());
}

QSize outerSize(const QWidget* window)
{
    const QMargins frame = frameOf(window);
    return window->size().grownBy(frame);
}

void settleOuterSize(QWidget* window, const QSize& outer, const QSize& screenForCentring)
{
    if (!frameOf(window).isNull())
        return; // the frame was known when the size was set
    const QPointer<QWidget> target(window);
    // A busy machine's window manager may add the frame late; until then the window was sized
    // and placed as if it had none, so both are done again once the frame is there.
    auto done = std::make_shared<bool>(false);
    for (int delay : {0, 100, 400, 1000, 2500}) {
        QTimer::singleShot(delay, window, [target, outer, screenForCentring, done] {
            if (*done || !target || frameOf(target).isNull())
                return;
            *done = true;
            if (outerSize(target) != outer)
                setOuterSize(target, outer);
            if (screenForCentring.isValid())
                centreOnScreen(target, screenForCentring);
        });
    }
}

void centreOnScreen(QWidget* window, const QSize& screen)
{
    const QSize outer = outerSize(window);
    // Integer division truncating toward zero, then clamped at the screen's top-left.
    const int left = std::max(0, (screen.width() - outer.width()) / 2);
    const int top = std::max(0, (screen.height() - outer.height()) / 2);
    window->move(left, top); // move() places the frame's top-left corner
}

void showWindow(QWidget* window, bool& shownOnce, const std::function<void()>& showHandler, const QSize& screen)
{
    const bool first = !shownOnce;
    showHandler();
    if (first) {
        shownOnce = true;
        if (screen.isValid())
            centreOnScreen(window, screen);
    }
    settleOuterSize(window, outerSize(window), first ? screen : QSize());
}

QFont pixelFont(const QString& face, int pixelHeight)
{
    // The classic dialog face is not installed here, and fontconfig would fall back to a much
    // wider face; Liberation Sans has close metrics at the forms' pixel heights.
    static const bool classicFacesMapped = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(classicFacesMapped);
    QFont font(face);
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace plattera
