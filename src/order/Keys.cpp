// The main window's key preview: the window sees every key before the
// focused control, then the keys the controls handle themselves. Also the
// mouse wheel on the grids, the search box's focus-in and banner dragging,
// which arrive through the same event filter.

#include "TFrmMain.h"
#include "WindowMove.h"

#include "StringGrid.h"
#include "TCEdit.h"
#include "TDialog.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

namespace order {

bool TFrmMain::FormKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::AltModifier)
        return false;
    if (mods == Qt::ControlModifier) {
        if (event->key() == Qt::Key_F3)
            SBF3SClick();
        else if (event->key() == Qt::Key_F7)
            SBF7SClick();
        return false;
    }

    QWidget* focused = focusWidget();
    const bool inGrid = focused == SGS || focused == SGG || focused == SGA;
    if (event->key() == Qt::Key_F2) {
        SBGPNClick();
        return false;
    }
    if (event->key() == Qt::Key_F11) {
        // In the search box F11 is the prefix search alone: a shop searching
        // there does not want the order sheet printed as well.
        if (focused != EdtGN)
            SBF11Click();
        return false;
    }
    switch (event->key()) {
    case Qt::Key_F1:
        // With the radio buttons disabled only the traded list may be used.
        if (!RdBtnOnly->isEnabled() && !RdBtnAll->isEnabled())
            return false;
        if (RdBtnOnly->isChecked()) {
            RdBtnAll->setChecked(true);
            RdBtnAllClick();
        } else {
            RdBtnOnly->setChecked(true);
            RdBtnOnlyClick();
        }
        return false;
    case Qt::Key_F4:
        if (focused == SGS && !event->isAutoRepeat()) {
            SBF4Click();
            return true;
        }
        return focused == SGS;
    case Qt::Key_F3:
        SBF3Click();
        return false;
    case Qt::Key_F5:
        SBF5Click();
        return false;
    case Qt::Key_F6:
        SBF6Click();
        return false;
    case Qt::Key_F7:
        SBF7Click();
        return false;
    case Qt::Key_F8:
        SBF8Click();
        return false;
    case Qt::Key_F9:
        SBF9Click();
        return false;
    case Qt::Key_F10:
        if (auto* edit = qobject_cast<QLineEdit*>(focused)) {
            if (edit == CEdtSum)
                CEdtSum->SetValue(0);
            else if (edit == EdtGN || edit == EdtDD || edit == EdtNote)
                edit->clear();
        }
        return true;
    case Qt::Key_F12:
        // The calendar's button takes no focus; this is its key.
        SBDateClick();
        return false;
    case Qt::Key_Escape:
        ImgBtnEscClick();
        // A closed window has nothing left to give the key to.
        return !isVisible();
    case Qt::Key_Up:
        if (!inGrid) {
            focusNextPrevChild(false);
            return true;
        }
        return false;
    case Qt::Key_Down:
        if (focused == EdtGN) {
            VisibleList()->setFocus(Qt::OtherFocusReason);
            return false;
        }
        if (!inGrid) {
            focusNextPrevChild(true);
            return true;
        }
        return false;
    case Qt::Key_Space:
        if (focused == SGG || focused == SGA) {
            FocusSearchBox();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// Keys the controls act on themselves, after the window's preview.
bool TFrmMain::ControlKeyDown(QWidget* control, QKeyEvent* event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (control == EdtGN) {
        if (enter || key == Qt::Key_F11) {
            EdtGNKeyDown(event);
            return true;
        }
        return false;
    }
    if (control == SGG || control == SGA) {
        if (enter) {
            AddProductLine();
            return true;
        }
        // The columns beyond the right edge are never scrolled into view.
        return key == Qt::Key_Left || key == Qt::Key_Right;
    }
    if (control == SGS) {
        if (enter) {
            EditLine();
            return true;
        }
        if (key == Qt::Key_Delete) {
            SBF4Click();
            return true;
        }
        if (key == Qt::Key_Tab) {
            VisibleList()->setFocus(Qt::TabFocusReason);
            return true;
        }
        return key == Qt::Key_Left || key == Qt::Key_Right;
    }
    // Enter and Esc give no character and no beep anywhere in the window.
    return enter || key == Qt::Key_Escape;
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel && type != QEvent::FocusIn && type != QEvent::MouseMove
        && type != QEvent::MouseButtonPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;

    switch (type) {
    case QEvent::KeyPress: {
        // Only the first delivery, to the focused control (or the window
        // when nothing has the focus); a key the control passes on to its
        // parents is not previewed again.
        QWidget* target = focusWidget() ? focusWidget() : this;
        if (widget != target)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key))
            return true;
        if (!isVisible() || focusWidget() != target)
            return false;
        return ControlKeyDown(target, key);
    }
    case QEvent::Wheel: {
        // The wheel steps the focused grid like the arrow keys; elsewhere it
        // does nothing.
        QWidget* focused = focusWidget();
        const bool inGrid = focused == SGS || focused == SGG || focused == SGA;
        WheelAsArrowKey(inGrid ? focused : nullptr, static_cast<QWheelEvent*>(event));
        return true;
    }
    case QEvent::FocusIn: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Coming back to the window (after a dialog or from another program)
        // is no new entry into the box.
        if (widget == EdtGN && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            EdtGNEnter();
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove: {
        if (widget != ImgLeft)
            return false;
        StartWindowMove(this, static_cast<QMouseEvent*>(event));
        return false;
    }
    default:
        return false;
    }
}

} // namespace order
