// TCallWait with transfers that end when the test says so. The main window's
// own tests (tests/order/test_main_wait.cpp) cover painting, typed-ahead
// barcodes and cancelling a send; here: a quick transfer shows nothing, the
// box and the cursor of a slow one, and where held input goes afterwards.

#include "CallWait.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <condition_variable>
#include <mutex>

using namespace order;

namespace {

class CallWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTransferRunner(&wait_);
        auto* layout = new QVBoxLayout(&window_);
        layout->addWidget(edit_);
        layout->addWidget(button_);
        button_->setFocusPolicy(Qt::NoFocus);
        QObject::connect(edit_, &QLineEdit::textEdited, [this](const QString& t) { log_ += t.right(1); });
        QObject::connect(button_, &QPushButton::clicked, [this] { log_ += QLatin1Char('C'); });
        window_.show();
        window_.activateWindow();
        edit_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
    void TearDown() override { SetTransferRunner(nullptr); }

    // A transfer that lasts until ms have passed or a cancel; true when
    // the cancel ended it.
    bool Hold(int ms)
    {
        std::mutex mutex;
        std::condition_variable changed;
        TransferCancel cancel;
        bool cancelled = false;
        RunTransfer(
            [&] {
                cancel.Attach([&] {
                    std::lock_guard lock(mutex);
                    changed.notify_all();
                });
                std::unique_lock lock(mutex);
                cancelled = changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return cancel.Cancelled(); });
                lock.unlock();
                cancel.Detach();
            },
            cancel);
        return cancelled;
    }

    static void At(int ms, std::function<void()> action) { QTimer::singleShot(ms, qApp, std::move(action)); }

    TCallWait wait_;
    QWidget window_;
    QLineEdit* edit_ = new QLineEdit(&window_);
    QPushButton* button_ = new QPushButton(QStringLiteral("B"), &window_);
    QString log_;
};

} // namespace

TEST_F(CallWaitTest, AQuickTransferProcessesNothingMeanwhile)
{
    bool timerRan = false;
    QTimer::singleShot(0, qApp, [&] { timerRan = true; });
    EXPECT_FALSE(Hold(0));
    EXPECT_FALSE(timerRan);
    EXPECT_EQ(wait_.BoxesShown(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }));
}

TEST_F(CallWaitTest, ASlowTransferShowsTheBoxThatOnlyAClickCancels)
{
    QCursor* early = nullptr;
    At(150, [&] { early = QApplication::overrideCursor(); });
    QString message, seconds;
    At(1100, [&] {
        ASSERT_NE(FrmWait, nullptr);
        message = FrmWait->LblMsg->text();
        seconds = FrmWait->LblTime->text();
        // Keys, even at the box, do not cancel; they belong to the window
        // with the focus, and so do clicks outside the box.
        for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape })
            QTest::keyClick(FrmWait->windowHandle(), key);
        QTest::keyClick(window_.windowHandle(), 'k');
        QTest::mouseClick(window_.windowHandle(), Qt::LeftButton, {}, button_->geometry().center());
        QTest::keyClick(window_.windowHandle(), 'm');
    });
    At(1300, [&] { QTest::mouseClick(FrmWait->SBCancel, Qt::LeftButton); });

    EXPECT_TRUE(Hold(3000));
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->shape(), Qt::WaitCursor);
    EXPECT_EQ(message, QString::fromUtf8("서버와 통신중입니다..."));
    EXPECT_EQ(seconds, QString::fromUtf8("1초"));
    EXPECT_EQ(FrmWait, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(log_, QString()) << "nothing reached the window during the wait";
    EXPECT_TRUE(QTest::qWaitFor([&] { return wait_.HeldInput() == 0; }));
    EXPECT_EQ(log_, QStringLiteral(" kCm"));
}

TEST_F(CallWaitTest, KeysAfterOneThatOpensADialogGoIntoTheDialog)
{
    QString typedInDialog;
    QObject::connect(edit_, &QLineEdit::returnPressed, [&] {
        QDialog dialog(&window_);
        auto* field = new QLineEdit(&dialog);
        dialog.show();
        field->setFocus();
        dialog.exec();
        typedInDialog = field->text();
    });
    At(100, [&] {
        for (const char c : { 'a', '\r', 'x', 'y', '\x1b' })
            QTest::keyClick(window_.windowHandle(), c);
    });
    Hold(300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !typedInDialog.isEmpty(); }));
    EXPECT_EQ(edit_->text(), QStringLiteral("a"));
    EXPECT_EQ(typedInDialog, QStringLiteral("xy"));
}
