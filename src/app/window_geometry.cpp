#include "app/window_geometry.h"

#include <cmath>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMargins>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace plattera {

namespace {

// How long a window waits for its frame before it takes it that none will come.
constexpr qint64 kFrameWaitMs = 10000;

class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

} // namespace

int scaledSize(int value, double factor)
{
    return int(std::lround(double(value) * factor));
}

// The window manager's frame, or none while it is not known. Until a window manager announces
// a window's frame extents, Qt measures the frame window that holds it instead, and kwin puts a
// new window into a 1 x 1 frame before it sizes that frame: measured then, the right and bottom
// margins are less the window's whole size, and sizing by them would make the window twice as
// big. A frame never reaches into the window, so a negative margin means it is not there yet;
// Qt measures again at the next configure event, which kwin sends once the frame is sized.
static QMargins frameOf(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return {};
    const QMargins frame = handle->frameMargins();
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return {};
    return frame;
}

// The client area of a window whose outer rectangle is centred on the screen.
static QRect centredClientArea(const QSize& client, const QMargins& frame, const QSize& screen)
{
    const QSize outer = client.grownBy(frame);
    // Integer division truncating toward zero, then clamped at the screen's top-left.
    const QPoint corner(std::max(0, (screen.width() - outer.width()) / 2),
                        std::max(0, (screen.height() - outer.height()) / 2));
    return QRect(corner + QPoint(frame.left(), frame.top()), client);
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
    // The window manager adds its frame some time after the window is mapped, later still on a
    // busy machine; until then the window was sized and placed as if it had none, so both are
    // done again as soon as the frame is there.
    auto* watch = new QTimer(window);
    watch->setInterval(25);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(
        watch, &QTimer::timeout, window, [window, watch, outer, screenForCentring, waited] {
            const QMargins frame = frameOf(window);
            if (frame.isNull()) {
                if (waited.elapsed() > kFrameWaitMs)
                    watch->deleteLater(); // no window manager frames this window
                return;
            }
            watch->deleteLater();
            const QSize client = outer.shrunkBy(frame);
            // Size and place in one request: a resize alone sends the place Qt saw last as
            // well, which under kwin is where the frame stood before kwin placed it, the
            // screen's top-left corner.
            if (screenForCentring.isValid())
                window->setGeometry(centredClientArea(client, frame, screenForCentring));
            else if (window->size() != client)
                window->resize(client);
        });
    watch->start();
}

void centreOnScreen(QWidget* window, const QSize& screen)
{
    // Not move(): it takes off the frame the widget noted at its last move or resize event,
    // which may predate the window manager's frame, and then sends nothing because the result
    // is where the window already stands. The client area goes inside the frame just read.
    window->setGeometry(centredClientArea(window->size(), frameOf(window), screen));
}

void showWindow(QWidget* window, bool& shownOnce, const std::function<void()>& showHandler,
                const QSize& screen)
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

void pressOnEnter(QAbstractButton* button)
{
    button->installEventFilter(new EnterPressesButton(button));
}

QFont pixelFont(const QString& face, int pixelHeight)
{
    // The classic dialog face is not installed here, and fontconfig would fall back to a much
    // wider face; Liberation Sans has close metrics at the forms' pixel heights. Named
    // directly: a substitution would have Qt sort every installed face for a fallback first.
    QFont font(face == kDialogFace ? QStringLiteral("Liberation Sans") : face);
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace plattera
