// Files dropped on the track editor, or pasted into its type-in line: audio files, cue sheets and
// the pictures beside them, or the folder that holds them.
#include <utility>

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>

#include "app/album_progress.h"
#include "app/track_editor.h"
#include "pictures/picture_formats.h"
#include "tracklists/album_files.h"
#include "tracklists/dropped_files.h"
#include "tracklists/title_length.h"
#include "tracklists/track_lines.h"

namespace plattera {

namespace {

// The local files a drop or paste names: its URLs, or else a text of nothing but file URLs or
// paths of files that are there, which some file managers copy a folder as.
QList<QByteArray> localFiles(const QMimeData& data)
{
    if (data.hasUrls())
        return localFilePaths(data.urls());
    QList<QUrl> urls;
    for (const QString& line : data.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.trimmed();
        if (name.startsWith(QLatin1String("file://")))
            urls << QUrl(name);
        else if (name.startsWith(QLatin1Char('/')) && QFileInfo::exists(name))
            urls << QUrl::fromLocalFile(name);
        else
            return {};
    }
    return localFilePaths(urls);
}

QStringList pictureExtensions()
{
    QStringList extensions;
    for (const PictureFormatList::Entry& entry : pictureFileFormats().entries())
        extensions << entry.extension;
    return extensions;
}

// The files a drop or paste holds, its folders read one level down, sorted out.
DroppedFiles droppedFiles(const QList<QByteArray>& paths)
{
    return readDroppedFiles(paths, pictureExtensions());
}

bool holdsAnything(const DroppedFiles& dropped)
{
    return !dropped.albumFiles.isEmpty() || !dropped.frontPicture.isEmpty() ||
        !dropped.backPicture.isEmpty();
}

} // namespace

bool TrackEditor::takeFileDrag(QEvent* event)
{
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    // Files are the window's, never text for an edit line: what cannot be read is refused.
    if (localFiles(*drop->mimeData()).isEmpty())
        return false;
    // Once as the drag comes in: a folder is read to know, and a drag moves many times.
    if (event->type() == QEvent::DragEnter)
        m_dragCarriesAlbum = carriesAlbumOrPicture(*drop->mimeData());
    if (!m_dragCarriesAlbum) {
        drop->ignore();
        return true;
    }
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

QList<QByteArray> TrackEditor::filesOf(const QMimeData& data)
{
    return localFiles(data);
}

bool TrackEditor::carriesAlbumOrPicture(const QMimeData& data)
{
    return holdsAnything(droppedFiles(localFiles(data)));
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
    takeAlbum(droppedFiles(paths));
}

void TrackEditor::takeAlbum(const DroppedFiles& dropped)
{
    std::optional<AlbumTracks> read = AlbumTracks();
    if (!dropped.albumFiles.isEmpty())
        read = readAlbumShowingProgress(this, dropped.albumFiles);
    if (!read)
        return; // cancelled: the pictures stay as they were too
    const AlbumTracks& album = *read;
    if (!album.artist.isEmpty())
        showFromStart(m_artistEdit, album.artist);
    if (!album.album.isEmpty())
        showFromStart(m_titleEdit, album.album);
    insertTracks(album.titles);
    // Each as the Image command would place it, so a picture that cannot be read says so in a
    // box of its own and leaves the cover as it was.
    if (!dropped.frontPicture.isEmpty())
        m_links.placePicture(QFile::decodeName(dropped.frontPicture), NotebookPage::Front);
    if (!dropped.backPicture.isEmpty())
        m_links.placePicture(QFile::decodeName(dropped.backPicture), NotebookPage::Back);
    // Where no picture file was given for an insert, the cover the tracks carry inside.
    if (dropped.frontPicture.isEmpty() && !album.front.bytes.isEmpty())
        m_links.placeEncodedPicture(album.front.track + QStringLiteral(" (front cover)"),
                                    album.front.bytes, NotebookPage::Front);
    if (dropped.backPicture.isEmpty() && !album.back.bytes.isEmpty())
        m_links.placeEncodedPicture(album.back.track + QStringLiteral(" (back cover)"),
                                    album.back.bytes, NotebookPage::Back);
    if (!album.unreadable.isEmpty()) {
        const auto [text, details] = leftOutMessage(album);
        m_links.showError(text, details);
    }
}

bool TrackEditor::pasteTracks(const QMimeData& data)
{
    if (const QList<QByteArray> files = localFiles(data); !files.isEmpty()) {
        // Read once: the folders in it are listed to know whether it holds an album.
        const DroppedFiles dropped = droppedFiles(files);
        if (holdsAnything(dropped))
            takeAlbum(dropped);
        else
            m_links.showInformation(kNothingReadable);
        // Never their names as text: a path is no track.
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
