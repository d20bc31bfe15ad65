#include "app/fixed_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>

#include "app/window_geometry.h"

namespace plattera {

FixedDialog::FixedDialog(std::function<QSize()> screenSize, QWidget* parent)
    : QDialog(parent), m_screenSize(std::move(screenSize))
{
    // A minimised modal window leaves a main window that answers nothing, with nothing on the
    // screen to say why; the frame keeps its maximise and close buttons.
    setWindowFlags((windowFlags() | Qt::WindowMaximizeButtonHint) & ~Qt::WindowMinimizeButtonHint);
}

void bringModalWindowBack()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || (modal->isActiveWindow() && !modal->isMinimized()))
        return;
    if (modal->isMinimized())
        modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->raise();
    modal->activateWindow();
}

void FixedDialog::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    showWindow(
        this, m_shownOnce, [this] { onShow(); }, m_screenSize ? m_screenSize() : QSize());
}

void FixedDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FixedDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Minimised by the desktop's keys or a pager while the main window waits: it comes back
    // once the window system is done minimising it.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isModal())
        QMetaObject::invokeMethod(this, &bringModalWindowBack, Qt::QueuedConnection);
}

} // namespace plattera
