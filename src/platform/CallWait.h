#pragma once

// While a service call or a download waits for the line, the program still
// behaves as if the call were synchronous (the caller goes on only with the
// answer, and no other command starts meanwhile), but its windows keep
// painting: the transfer runs on a worker thread while this thread waits in
// a local loop that handles paint and timer events and holds back the
// user's keys and clicks. Held input is replayed in order after the answer,
// to whatever window has the focus then, as a blocked program would read it
// from its queue: a barcode scanner typing ahead loses nothing.
//
// The wait cursor shows at once. After half a second a small box over the
// active window says that the program is talking to the server, counts the
// seconds and offers "취소"; only a click on it cancels, and the call then
// ends exactly as a failed transfer does.

#include "Transfer.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>

#include <deque>
#include <memory>
#include <vector>

class QElapsedTimer;
class QLabel;
class QToolButton;
class QWindow;

namespace order {

class TFrmWait : public QWidget {
    Q_OBJECT
public:
    explicit TFrmWait(QWidget* over);
    ~TFrmWait() override;

    QLabel* LblMsg = nullptr;
    QLabel* LblTime = nullptr;
    QToolButton* SBCancel = nullptr;

    void ShowElapsed(qint64 milliseconds);

signals:
    void Cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// The box on screen, nullptr while there is none.
extern TFrmWait* FrmWait;

class TCallWait : public QObject, public TransferRunner {
    Q_OBJECT
public:
    // A call that answers within this time runs exactly as before: the
    // window does not even process a paint meanwhile.
    static constexpr int kQuietMs = 20;
    static constexpr int kBoxDelayMs = 500;

    explicit TCallWait(QObject* parent = nullptr);
    ~TCallWait() override;

    void Run(const std::function<void()>& transfer, TransferCancel& cancel) override;
    void Report(const std::function<void()>& report) override;

    // How many boxes have been shown, and how many keys and clicks are still
    // waiting to be replayed.
    int BoxesShown() const { return boxesShown_; }
    int HeldInput() const { return static_cast<int>(held_.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Held {
        QPointer<QWindow> window; // the window the input came to
        QEvent::Type type;
        std::function<std::unique_ptr<QEvent>()> make;
    };

    void Wait(const std::shared_ptr<struct CallJob>& job, TransferCancel& cancel, const QElapsedTimer& clock);
    void ScheduleReplay();
    void ReplayNext();
    bool IsBox(const QWindow* window) const;
    QObject* ReplayTarget(const Held& held) const;

    QThreadPool workers_;
    int waiting_ = 0;
    int boxesShown_ = 0;
    bool replayScheduled_ = false;
    std::deque<Held> held_;
    std::vector<const QEvent*> replaying_;
    // Held as widgets: a box is still looked for while ~QWidget closes it,
    // when it is no longer a TFrmWait.
    std::vector<QPointer<QWidget>> boxes_;
};

// Puts a TCallWait, owned by the application, behind every transfer of the
// program (once); every service call and download from then on runs this way.
TCallWait* InstallCallWait();

} // namespace order
