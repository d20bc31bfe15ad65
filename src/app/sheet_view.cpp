#include "app/sheet_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "model/sheet_canvas.h"

namespace plattera {

SheetView::SheetView(const SheetCanvas& sheet, QWidget* parent) : QWidget(parent), m_sheet(sheet)
{
    setFixedSize(sheet.width(), sheet.height());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SheetView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_sheet.image(), event->rect());
}

} // namespace plattera
