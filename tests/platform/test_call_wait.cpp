// TCallWait with transfers that end when the test says so: what a quick call
// looks like (nothing at all), what a slow one looks like (wait cursor,
// repaints, the box after half a second, cancel only by a click), and that
// the keys and clicks given meanwhile arrive afterwards, in order, where the
// keyboard goes by then.

#include "CallWait.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace order;

namespace {

// A transfer that lasts until Release, a cancel, or 3 s.
class HeldTransfer {
public:
    void Release()
    {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }

    // Runs through the installed runner; true when a cancel ended it.
    bool Run()
    {
        TransferCancel cancel;
        bool cancelled = false;
        RunTransfer(
            [&] {
                cancel.Attach([this] {
                    std::lock_guard lock(mutex_);
                    changed_.notify_all();
                });
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait_for(lock, std::chrono::seconds(3), [&] { return released_ || cancel.Cancelled(); });
                    cancelled = !released_ && cancel.Cancelled();
                }
                cancel.Detach();
            },
            cancel);
        return cancelled;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
};

// A window with a line edit that has the focus and a button, logging what
// reaches them.
class Target : public QWidget {
public:
    Target()
    {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        button = new QPushButton(QStringLiteral("B"), this);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(edit);
        layout->addWidget(button);
        connect(edit, &QLineEdit::textEdited, this, [this](const QString& t) { log += t.right(1); });
        connect(button, &QPushButton::clicked, this, [this] { log += QLatin1Char('C'); });
        resize(200, 100);
    }
    void paintEvent(QPaintEvent* e) override
    {
        ++paints;
        QWidget::paintEvent(e);
    }
    void ShowActive()
    {
        show();
        activateWindow();
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(this));
    }

    QLineEdit* edit = nullptr;
    QPushButton* button = nullptr;
    QString log;
    int paints = 0;
};

class CallWaitTest : public ::testing::Test {
protected:
    void SetUp() override { SetTransferRunner(&wait_); }
    void TearDown() override { SetTransferRunner(nullptr); }

    // Runs action at ms after now, inside the wait.
    void At(int ms, std::function<void()> action) { QTimer::singleShot(ms, qApp, std::move(action)); }

    TCallWait wait_;
    HeldTransfer held_;
};

} // namespace

TEST_F(CallWaitTest, AQuickTransferRunsAsBefore)
{
    bool timerRan = false;
    QTimer::singleShot(0, qApp, [&] { timerRan = true; });
    int runs = 0;
    TransferCancel cancel;
    RunTransfer([&] { ++runs; }, cancel);
    EXPECT_EQ(runs, 1);
    // Nothing was processed meanwhile: no timer, no box, no cursor.
    EXPECT_FALSE(timerRan);
    EXPECT_EQ(wait_.BoxesShown(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }));
}

TEST_F(CallWaitTest, ASlowTransferPaintsShowsTheBoxAndCancelsOnlyOnAClick)
{
    Target target;
    target.ShowActive();
    Qt::CursorShape early = Qt::ArrowCursor;
    bool boxEarly = true;
    int paintsBefore = 0;
    At(150, [&] {
        early = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        boxEarly = FrmWait != nullptr;
        paintsBefore = target.paints;
        target.update();
    });
    int paintsMeanwhile = 0;
    QString message, seconds;
    bool isWindow = false;
    At(1100, [&] {
        paintsMeanwhile = target.paints - paintsBefore;
        ASSERT_NE(FrmWait, nullptr);
        message = FrmWait->LblMsg->text();
        seconds = FrmWait->LblTime->text();
        isWindow = FrmWait->isVisible() && FrmWait->isWindow();
        // Keys, even at the box, do not cancel; they wait for the window.
        for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape })
            QTest::keyClick(FrmWait->windowHandle(), key);
        QTest::keyClick(target.windowHandle(), 'k');
    });
    At(1300, [&] { QTest::mouseClick(FrmWait->SBCancel, Qt::LeftButton); });

    EXPECT_TRUE(held_.Run());
    EXPECT_EQ(early, Qt::WaitCursor);
    EXPECT_FALSE(boxEarly);
    EXPECT_GE(paintsMeanwhile, 1);
    EXPECT_EQ(message, QString::fromUtf8("서버와 통신중입니다..."));
    EXPECT_EQ(seconds, QString::fromUtf8("1초"));
    EXPECT_TRUE(isWindow);
    EXPECT_EQ(wait_.BoxesShown(), 1);
    EXPECT_EQ(FrmWait, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The keys arrive after the answer in the window with the focus, the ones
    // given at the box too: Return and Escape do nothing there, Space types.
    EXPECT_EQ(target.log, QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return wait_.HeldInput() == 0; }));
    EXPECT_EQ(target.edit->text(), QStringLiteral(" k"));
}

TEST_F(CallWaitTest, InputGivenDuringAWaitArrivesAfterItInOrder)
{
    Target target;
    target.ShowActive();
    // Keys and a click before the box and while it is up, given to the
    // window as the keyboard and the mouse give them.
    QWindow* window = target.windowHandle();
    At(100, [&] {
        QTest::keyClick(window, '1');
        QTest::keyClick(window, '2');
    });
    At(700, [&] {
        QTest::keyClick(window, '3');
        QTest::keyClick(window, '4');
        QTest::mouseClick(
            window, Qt::LeftButton, Qt::NoModifier, target.button->mapTo(&target, target.button->rect().center()));
        QTest::keyClick(window, '5');
    });
    At(900, [&] { held_.Release(); });
    EXPECT_FALSE(held_.Run());
    EXPECT_EQ(target.log, QString()) << "nothing reached the window during the call";
    EXPECT_TRUE(QTest::qWaitFor([&] { return wait_.HeldInput() == 0; }));
    EXPECT_EQ(target.log, QStringLiteral("1234C5"));
    EXPECT_EQ(target.edit->text(), QStringLiteral("12345"));
}

TEST_F(CallWaitTest, KeysAfterOneThatOpensADialogGoIntoTheDialog)
{
    Target target;
    target.ShowActive();
    QString typedInDialog;
    QObject::connect(target.edit, &QLineEdit::returnPressed, &target, [&] {
        QDialog dialog(&target);
        auto* field = new QLineEdit(&dialog);
        dialog.show();
        field->setFocus();
        dialog.exec();
        typedInDialog = field->text();
    });
    At(100, [&] {
        for (const char c : { 'a', '\r', 'x', 'y', '\x1b' })
            QTest::keyClick(target.windowHandle(), c);
    });
    At(300, [&] { held_.Release(); });
    held_.Run();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !typedInDialog.isEmpty(); }));
    EXPECT_EQ(target.edit->text(), QStringLiteral("a"));
    EXPECT_EQ(typedInDialog, QStringLiteral("xy"));
}

TEST_F(CallWaitTest, ReportsRunOnTheWaitingThread)
{
    QThread* transferThread = nullptr;
    std::vector<QThread*> reportThreads;
    TransferCancel cancel;
    RunTransfer(
        [&] {
            transferThread = QThread::currentThread();
            for (int i = 0; i < 3; ++i) {
                ReportFromTransfer([&] { reportThreads.push_back(QThread::currentThread()); });
                QThread::msleep(10);
            }
        },
        cancel);
    EXPECT_NE(transferThread, qApp->thread());
    ASSERT_EQ(reportThreads.size(), 3u);
    for (QThread* t : reportThreads)
        EXPECT_EQ(t, qApp->thread());
}
