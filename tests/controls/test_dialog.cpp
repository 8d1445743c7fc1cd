// The behaviour every modal window shares through TDialog, on a small window
// of its own: the key preview with Esc, Enter and the arrow keys, closing,
// and the wheel turned into one arrow key on the focused grid.

#include "StringGrid.h"
#include "TDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace order;

namespace {

class Window : public TDialog {
public:
    explicit Window(bool arrows)
        : TDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint, "Window")
    {
        if (arrows)
            ArrowKeysMoveFocus();
        first = new QLineEdit(this);
        second = new QLineEdit(this);
        second->move(0, 30);
        for (TStringGrid** g : { &left, &right }) {
            *g = new TStringGrid(this);
            (*g)->SetColCount(1);
            (*g)->SetRowCount(10);
            (*g)->SetDefaultRowHeight(19);
            (*g)->setFocusPolicy(Qt::StrongFocus);
        }
        left->setGeometry(0, 60, 100, 100);
        right->setGeometry(110, 60, 100, 100);
        WheelSteps({ left, right });
        resize(220, 170);
    }

    void EnterKey(QWidget*) override { ++enters; }

    QLineEdit* first = nullptr;
    QLineEdit* second = nullptr;
    TStringGrid* left = nullptr;
    TStringGrid* right = nullptr;
    int enters = 0;
};

// Runs `drive` inside the window's exec() and returns its result.
int Drive(Window& w, const std::function<void()>& drive)
{
    QTimer::singleShot(0, [&] {
        w.activateWindow();
        // Best effort: the keys go to the focused widget either way.
        static_cast<void>(QTest::qWaitForWindowActive(&w));
        drive();
        if (w.isVisible())
            w.done(0);
    });
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    return w.exec();
}

void Wheel(QWidget* target, int dy)
{
    QWheelEvent e(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

} // namespace

TEST(DialogBase, EscCancelsEnterIsTakenBeforeTheControl)
{
    Window w(false);
    QSignalSpy returns(w.first, &QLineEdit::returnPressed);
    const int result = Drive(w, [&] {
        w.first->setFocus();
        QTest::keyClick(w.first, Qt::Key_Return);
        QTest::keyClick(w.first, Qt::Key_Enter);
        EXPECT_EQ(w.enters, 2);
        EXPECT_EQ(returns.count(), 0) << "the box never saw Enter";
        QTest::keyClick(w.first, Qt::Key_Down);
        EXPECT_TRUE(w.first->hasFocus()) << "arrow keys move nothing unless the window asks for it";
        QTest::keyClick(w.first, Qt::Key_Escape);
    });
    EXPECT_EQ(result, 2);

    Window closed(false);
    EXPECT_EQ(Drive(closed, [&] { closed.close(); }), 2) << "closing is a cancel too";
}

TEST(DialogBase, ArrowKeysMoveBetweenFields)
{
    Window w(true);
    Drive(w, [&] {
        w.first->setFocus();
        QTest::keyClick(w.first, Qt::Key_Down);
        EXPECT_TRUE(w.second->hasFocus());
        QTest::keyClick(w.second, Qt::Key_Up);
        EXPECT_TRUE(w.first->hasFocus());
    });
}

TEST(DialogBase, WheelStepsTheFocusedGridOnly)
{
    Window w(false);
    Drive(w, [&] {
        w.left->setFocus();
        Wheel(w.left->viewport(), -120);
        Wheel(w.left->viewport(), -120);
        EXPECT_EQ(w.left->Row(), 2);
        Wheel(w.right->viewport(), 120);
        EXPECT_EQ(w.left->Row(), 1) << "over either grid, the focused one moves";
        EXPECT_EQ(w.right->Row(), 0);
        w.first->setFocus();
        Wheel(w.left->viewport(), -120);
        EXPECT_EQ(w.left->Row(), 1) << "no grid has the focus: nothing moves";
    });
}
