#pragma once

// What the program's modal windows share: the window sees each key before
// the focused control (Esc cancels with result 2, Enter is swallowed so that
// no control beeps, Up and Down may move between fields), closing gives
// result 2, a wheel step over a grid moves the focused grid one row as an
// arrow key would, and a borderless window is dragged by its strip. Each
// window gives its own settings and acts on its own keys.

#include <QColor>
#include <QDialog>

#include <functional>
#include <initializer_list>
#include <vector>

class QAbstractButton;
class QKeyEvent;
class QWheelEvent;

namespace order {

// One press and release of `key` on `target`, as if it had been typed there.
void PressKey(QWidget* target, int key);
// One wheel step as one arrow key on `grid`: away from the user Up, towards
// the user Down. Nothing without a grid or for a sideways wheel.
void WheelAsArrowKey(QWidget* grid, const QWheelEvent* event);

class TDialog : public QDialog {
    Q_OBJECT

public:
    ~TDialog() override;
    void reject() override; // Esc and closing give result 2

protected:
    // A modal window that deletes itself when it closes.
    TDialog(QWidget* parent, Qt::WindowFlags flags, const char* objectName);

    // The window's one global reference (FrmCnt for TFrmCnt, ...): set
    // here, emptied when the window is destroyed unless a newer window of
    // the kind has taken it meanwhile.
    template <typename Window> void KeepIn(Window*& global)
    {
        global = static_cast<Window*>(this);
        release_ = [&global, this] {
            if (global == this)
                global = nullptr;
        };
    }

    // Settings, given in the window's constructor.
    void FillBackground(const QColor& colour); // painted under the controls
    void DragBy(QWidget* strip); // a left press there drags the window
    void DragByFrame(); // a press on the window itself (its frame) drags it
    void WheelSteps(std::initializer_list<QWidget*> grids);
    void ArrowKeysMoveFocus(); // Up and Down go to the previous and next field
    // A click on `button` gives `grid` the focus and presses `key` there
    // (the paging buttons beside a list).
    void SendsKey(QAbstractButton* button, QWidget* grid, int key);

    // The key preview: every key press delivered to the window or one of its
    // controls (the receiver) comes here first; true when the window takes
    // it. A key that a control passes on to its parent comes again, so act
    // only on a key you take. Here: Esc (EscKey) and Enter (EnterKey) are
    // taken, and Up and Down when they move the focus.
    virtual bool FormKeyDown(QWidget* receiver, QKeyEvent* event);
    virtual void EscKey(); // done(2)
    virtual void EnterKey(QWidget* receiver); // nothing to confirm
    virtual void MoveFocus(bool next);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::function<void()> release_;
    QColor background_;
    std::vector<QWidget*> strips_;
    std::vector<QWidget*> wheelGrids_;
    bool dragByFrame_ = false;
    bool arrowKeysMoveFocus_ = false;
    bool previewing_ = false;
};

} // namespace order
