#include "app/album_progress.h"

#include <functional>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>

namespace plattera {

namespace {

// The most files the error box names; the rest are counted, and all are in its details.
constexpr int kNamedFiles = 10;

// A file name as one line that reads as it is spelt: a line end would make it two files in the
// list and a direction override would turn it round, so control and format characters are shown
// as symbols (C0 controls as their control pictures, the others as <U+XXXX>).
QString visibleName(const QString& name)
{
    QString shown;
    for (const char32_t c : name.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (c < 0x20)
            shown += QChar(char16_t(0x2400 + c));
        else if (c == 0x7f)
            shown += QChar(char16_t(0x2421));
        else if (category == QChar::Other_Control || category == QChar::Other_Format ||
                 category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            shown += QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        else
            shown += QString::fromUcs4(&c, 1);
    }
    return shown;
}

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

std::pair<QString, QString> leftOutMessage(const AlbumTracks& album)
{
    const qsizetype count = album.unreadable.size();
    QStringList names, details;
    for (qsizetype i = 0; i < count; ++i) {
        names << visibleName(album.unreadable[i]);
        details << names.back() + QStringLiteral(": ") + album.reasons.value(i);
    }
    if (album.tagReaderFailed)
        return {kTagReaderCannotStart, details.join(QLatin1Char('\n'))};
    QString text = QStringLiteral("These files were left out, their tags cannot be read:\n") +
        names.mid(0, kNamedFiles).join(QLatin1Char('\n'));
    if (count > kNamedFiles)
        text += QStringLiteral("\nand %1 more").arg(count - kNamedFiles);
    return {text, details.join(QLatin1Char('\n'))};
}

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
