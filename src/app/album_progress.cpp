#include "app/album_progress.h"

#include <functional>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>

namespace plattera {

namespace {

// After this long a reading shows its progress.
constexpr int kQuietMs = 500;

// Keeps the user's input from a window while its reading runs, before the progress dialog
// (which takes input, being a window of its own) makes the window modal: a second drop, a
// typed line or Continue would otherwise act on a list about to change.
class InputPause : public QObject {
public:
    InputPause(QWidget* window, std::function<void()> onClose)
        : m_window(window), m_onClose(std::move(onClose))
    {
        qApp->installEventFilter(this);
    }
    ~InputPause() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != m_window)
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            event->accept(); // no shortcut either
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            if (watched == m_window)
                m_onClose();
            return false;
        default:
            return false;
        }
    }

private:
    QWidget* m_window;
    std::function<void()> m_onClose;
};

} // namespace

std::optional<AlbumTracks> readAlbumShowingProgress(QWidget* window, const QList<QByteArray>& paths,
                                                    const TagReaderSettings& settings)
{
    AlbumReading reading(paths, settings);
    QProgressDialog progress(QStringLiteral("Reading the tags of %1 files\u2026").arg(paths.size()),
                             QStringLiteral("Cancel"), 0, reading.fileCount(), window);
    progress.setObjectName(QStringLiteral("AlbumProgress"));
    progress.setWindowTitle(window->windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(kQuietMs);
    QEventLoop loop;
    QObject::connect(&reading, &AlbumReading::progressed, &progress, &QProgressDialog::setValue);
    QObject::connect(&progress, &QProgressDialog::canceled, &reading, &AlbumReading::cancel);
    QObject::connect(&reading, &AlbumReading::finished, &loop, &QEventLoop::quit);
    const InputPause pause(window->window(), [&reading] { reading.cancel(); });
    reading.start();
    loop.exec();
    if (reading.wasCancelled())
        return std::nullopt;
    return reading.result();
}

} // namespace plattera
