#include "app/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace plattera {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFocusPolicy(Qt::TabFocus);
}

// A label that takes the focus gets a text document from QLabel, built when the label is polished
// or first focused and laid out first in the application's font, which no control of the main
// window uses: resolving its family sorted every installed face before the window could appear.
// This label shows one line of plain text and handles its keys itself, so it draws as a label
// that takes no focus does.
bool LinkLabel::event(QEvent* event)
{
    if (event->type() == QEvent::Polish)
        return QFrame::event(event);
    return QLabel::event(event);
}

void LinkLabel::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // Released elsewhere, the press was given up, as on a button.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        activate();
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        activate();
        event->accept();
        break;
    default:
        QLabel::keyPressEvent(event);
    }
}

void LinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Where the keyboard is, as on the other controls.
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace plattera
