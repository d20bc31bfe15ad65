#include "app/fixed_dialog.h"

#include <QKeyEvent>
#include <QShowEvent>

#include "app/window_geometry.h"

namespace plattera {

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

} // namespace plattera
