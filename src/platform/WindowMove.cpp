#include "WindowMove.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace order {

bool StartWindowMove(QWidget* widget, const QMouseEvent* event)
{
    if (!widget || !event || !(event->buttons() & Qt::LeftButton))
        return false;
    QWindow* handle = widget->window()->windowHandle();
    return handle && handle->startSystemMove();
}

}  // namespace order
