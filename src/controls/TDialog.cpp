#include "TDialog.h"

#include "WindowMove.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace order {

void PressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void WheelAsArrowKey(QWidget* grid, const QWheelEvent* event)
{
    const int dy = event->angleDelta().y();
    if (grid && dy != 0)
        PressKey(grid, dy > 0 ? Qt::Key_Up : Qt::Key_Down);
}

TDialog::TDialog(QWidget* parent, Qt::WindowFlags flags, const char* objectName)
    : QDialog(parent, flags)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString::fromLatin1(objectName));
    setModal(true);
}

TDialog::~TDialog()
{
    if (release_)
        release_();
}

void TDialog::reject()
{
    done(2);
}

void TDialog::FillBackground(const QColor& colour)
{
    background_ = colour;
}

void TDialog::DragBy(QWidget* strip)
{
    strips_.push_back(strip);
}

void TDialog::DragByFrame()
{
    dragByFrame_ = true;
}

void TDialog::WheelSteps(std::initializer_list<QWidget*> grids)
{
    wheelGrids_.assign(grids);
}

void TDialog::ArrowKeysMoveFocus()
{
    arrowKeysMoveFocus_ = true;
}

void TDialog::SendsKey(QAbstractButton* button, QWidget* grid, int key)
{
    connect(button, &QAbstractButton::clicked, this, [grid, key] {
        grid->setFocus(Qt::OtherFocusReason);
        PressKey(grid, key);
    });
}

bool TDialog::FormKeyDown(QWidget* receiver, QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        EscKey();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterKey(receiver);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!arrowKeysMoveFocus_)
            return false;
        MoveFocus(event->key() == Qt::Key_Down);
        return true;
    default:
        return false;
    }
}

void TDialog::EscKey()
{
    done(2);
}

void TDialog::EnterKey(QWidget*) { }

void TDialog::MoveFocus(bool next)
{
    focusNextPrevChild(next);
}

bool TDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return (watched->isWidgetType() && FormKeyDown(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)))
            || QDialog::eventFilter(watched, event);
    case QEvent::Wheel:
        for (QWidget* grid : wheelGrids_) {
            auto* area = qobject_cast<QAbstractScrollArea*>(grid);
            if (watched != grid && !(area && watched == area->viewport()))
                continue;
            // Over the grids the wheel does nothing else.
            const auto focused = std::find(wheelGrids_.begin(), wheelGrids_.end(), focusWidget());
            WheelAsArrowKey(focused != wheelGrids_.end() ? *focused : nullptr, static_cast<QWheelEvent*>(event));
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (std::find(strips_.begin(), strips_.end(), watched) != strips_.end()
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            StartWindowMove(this, static_cast<QMouseEvent*>(event));
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TDialog::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(this, event))
        QDialog::keyPressEvent(event);
}

void TDialog::mousePressEvent(QMouseEvent* event)
{
    if (dragByFrame_)
        StartWindowMove(this, event);
    QDialog::mousePressEvent(event);
}

void TDialog::paintEvent(QPaintEvent*)
{
    if (background_.isValid())
        QPainter(this).fillRect(rect(), background_);
}

void TDialog::showEvent(QShowEvent* event)
{
    // Every control there is by now, with the parts the controls made of
    // themselves (a calendar's month menu, a grid's viewport).
    if (!previewing_) {
        previewing_ = true;
        for (QWidget* child : findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    QDialog::showEvent(event);
}

} // namespace order
