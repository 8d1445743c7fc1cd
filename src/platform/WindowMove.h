#pragma once

class QMouseEvent;
class QWidget;

namespace order {

// The borderless windows are dragged by a strip or picture at their top:
// while the left button is down there, the system moves the window.
// True when a move was started.
bool StartWindowMove(QWidget* widget, const QMouseEvent* event);

}  // namespace order
