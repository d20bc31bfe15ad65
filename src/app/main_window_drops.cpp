// Picture files dragged onto the sheets.
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/sheet_view.h"
#include "app/main_window.h"
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
    if (!file) {
        drop->ignore();
        return true;
    }
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

} // namespace plattera
