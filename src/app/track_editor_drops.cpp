// Audio files and cue sheets dropped on the track editor, or pasted into its type-in line.
#include <algorithm>

#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>

#include "app/album_progress.h"
#include "app/track_editor.h"
#include "tracklists/album_files.h"
#include "tracklists/title_length.h"
#include "tracklists/track_lines.h"

namespace plattera {

namespace {

QList<QByteArray> localFiles(const QMimeData& data)
{
    return localFilePaths(data.urls());
}

bool carriesAlbumFiles(const QMimeData& data)
{
    const QList<QByteArray> paths = localFiles(data);
    return std::any_of(paths.begin(), paths.end(),
                       [](const QByteArray& path) { return isAlbumFile(QFile::decodeName(path)); });
}

void showFromStart(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}

} // namespace

bool TrackEditor::takeFileDrag(QEvent* event)
{
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    if (!carriesAlbumFiles(*drop->mimeData()))
        return false;
    // A copy, never a move: a file manager would delete the files after a move.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // After the drop has ended, so that the message does not hold the dragging program.
    if (event->type() == QEvent::Drop)
        QMetaObject::invokeMethod(
            this, [this, paths = localFiles(*drop->mimeData())] { dropAlbumFiles(paths); },
            Qt::QueuedConnection);
    return true;
}

void TrackEditor::dragEnterEvent(QDragEnterEvent* event)
{
    if (!takeFileDrag(event))
        event->ignore();
}

void TrackEditor::dragMoveEvent(QDragMoveEvent* event)
{
    if (!takeFileDrag(event))
        event->ignore();
}

void TrackEditor::dropEvent(QDropEvent* event)
{
    if (!takeFileDrag(event))
        event->ignore();
}

void TrackEditor::dropAlbumFiles(const QList<QByteArray>& paths)
{
    const std::optional<AlbumTracks> read = readAlbumShowingProgress(this, paths);
    if (!read)
        return; // cancelled
    const AlbumTracks& album = *read;
    if (!album.artist.isEmpty())
        showFromStart(m_artistEdit, album.artist);
    if (!album.album.isEmpty())
        showFromStart(m_titleEdit, album.album);
    insertTracks(album.titles);
    if (!album.unreadable.isEmpty())
        m_links.showError(
            QStringLiteral("These files were left out, their tags cannot be read:\n") +
                album.unreadable.join(QLatin1Char('\n')),
            QString());
}

bool TrackEditor::pasteTracks(const QMimeData& data)
{
    if (carriesAlbumFiles(data)) {
        dropAlbumFiles(localFiles(data));
        return true;
    }
    const PastedTracks pasted = pastedTrackTitles(data.text());
    if (pasted.titles.isEmpty())
        return false;
    insertTracks(pasted.titles);
    if (pasted.shortened > 0)
        m_links.showInformation(
            (pasted.shortened == 1 ? QStringLiteral("A pasted line was")
                                   : QStringLiteral("%1 pasted lines were").arg(pasted.shortened)) +
            QStringLiteral(" longer than a track line holds and cut to its first %1 "
                           "characters.")
                .arg(kMaxTitleLength));
    return true;
}

} // namespace plattera
