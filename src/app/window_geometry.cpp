#include "app/window_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMargins>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "app/arial_face.h"

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

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};

template <typename Reply> using XReply = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name)
{
    const XReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property of 32-bit values of the given type; empty where the window has none.
std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                 xcb_atom_t type)
{
    const XReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

// The frame an X window manager has announced for the window (_NET_FRAME_EXTENTS); no margins
// while it has not announced one yet. Nothing where the program is not on X, or the window
// manager announces no frames.
std::optional<QMargins> announcedFrame(const QWidget* window)
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !window->windowHandle())
        return std::nullopt;
    // The program holds one connection for its whole run.
    static const xcb_atom_t extents = internAtom(connection, "_NET_FRAME_EXTENTS");
    static const xcb_atom_t supportedAtoms = internAtom(connection, "_NET_SUPPORTED");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::vector<uint32_t> supported =
        property32(connection, root, supportedAtoms, XCB_ATOM_ATOM);
    if (std::find(supported.begin(), supported.end(), extents) == supported.end())
        return std::nullopt;
    const std::vector<uint32_t> sides =
        property32(connection, xcb_window_t(window->winId()), extents, XCB_ATOM_CARDINAL);
    if (sides.size() != 4)
        return QMargins();
    // left, right, top, bottom
    return QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
}

} // namespace

// The window manager's frame, or none while it is not known. Qt measures the frame window
// that holds the window until the window manager announces the frame's extents, and a
// measurement taken while the window manager is still building the frame is wrong: kwin puts
// a new window into a 1 x 1 frame, then sizes it, then moves the window into place below its
// title bar, and a measurement in between gives margins as negative as the window is big, or a
// title bar at the bottom. So where the window manager announces frames, only its word counts.
static QMargins frameOf(const QWidget* window)
{
    if (const std::optional<QMargins> announced = announcedFrame(window))
        return *announced;
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return {};
    const QMargins frame = handle->frameMargins();
    // A frame never reaches into the window: with a negative side, it is not there yet.
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
    // Neither face is installed here as a rule, and for a name it does not know Qt sorts every
    // installed face to find a stand-in (for the classic dialog face, a much wider one). Both
    // are named directly: Liberation Sans for the dialog face, with close metrics at the forms'
    // pixel heights, and for Arial the face fontconfig gives, which the start-up check names.
    QString installed = face;
    if (face == kDialogFace)
        installed = QStringLiteral("Liberation Sans");
    else if (face.compare(kWindowFace, Qt::CaseInsensitive) == 0 && !arialFace().isEmpty())
        installed = arialFace();
    QFont font(installed);
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace plattera
