// Picture files dragged onto the sheets; an album dropped or pasted anywhere on the window.
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "app/main_window.h"
#include "app/sheet_view.h"
#include "app/track_editor.h"
#include "pictures/picture_formats.h"

namespace plattera {

namespace {

// The one local file of a drag, when the format table has a reader for its extension.
std::optional<QString> draggedPicture(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString path = urls.front().toLocalFile();
    const QString extension = pictureFileExtension(path).toLower();
    for (const PictureFormatList::Entry& entry : pictureFileFormats().entries())
        if (entry.extension == extension)
            return path;
    return std::nullopt;
}

} // namespace

bool MainWindow::takePictureDrag(SheetView* view, QEvent* event)
{
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const std::optional<QString> file = draggedPicture(*drop->mimeData());
    if (!file)
        return takeAlbumDrag(drop);
    // A copy, never a move: a file manager would delete the file after a move.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        const NotebookPage page =
            view == m_frontCoverView ? NotebookPage::Front : NotebookPage::Back;
        // After the drop has ended, so that the error box does not hold the dragging program.
        QMetaObject::invokeMethod(
            this, [this, path = *file, page] { runCommand([&] { dropPicture(path, page); }); },
            Qt::QueuedConnection);
    }
    return true;
}

bool MainWindow::takeAlbumDrag(QDropEvent* drop)
{
    if (drop->type() == QEvent::DragEnter)
        m_dragCarriesAlbum = m_trackEditor && TrackEditor::carriesAlbumOrPicture(*drop->mimeData());
    if (!m_dragCarriesAlbum) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (drop->type() == QEvent::Drop)
        QMetaObject::invokeMethod(
            this,
            [this, paths = TrackEditor::filesOf(*drop->mimeData())] { editTracksWith(paths); },
            Qt::QueuedConnection);
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    takeAlbumDrag(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    takeAlbumDrag(event);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    takeAlbumDrag(event);
}

void MainWindow::onPaste()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !m_trackEditor)
        return;
    const QList<QByteArray> files = TrackEditor::filesOf(*data);
    if (!files.isEmpty())
        editTracksWith(files);
}

void MainWindow::editTracksWith(const QList<QByteArray>& paths)
{
    // Once the editor is up, so that its progress and its messages stand over it.
    QMetaObject::invokeMethod(
        m_trackEditor, [editor = m_trackEditor, paths] { editor->dropAlbumFiles(paths); },
        Qt::QueuedConnection);
    onEditTracks();
}

} // namespace plattera
