#include "app/pointer_shape.h"

#include <QCursor>
#include <QGuiApplication>

namespace plattera {

void setApplicationPointer(PointerShape shape)
{
    if (shape == PointerShape::Hand) {
        // One override at most on Qt's stack, changed in place on later calls.
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(QCursor(Qt::PointingHandCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::PointingHandCursor));
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

PointerShape applicationPointer()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::PointingHandCursor ? PointerShape::Hand
                                                               : PointerShape::Default;
}

} // namespace plattera
