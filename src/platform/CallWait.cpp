#include "CallWait.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace order {

TFrmWait* FrmWait = nullptr;

// One transfer handed to a worker. The worker says when it has finished or
// when it needs the waiting thread for a report.
struct CallJob {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool reportPending = false;
    QAbstractEventDispatcher* dispatcher = nullptr; // of the waiting thread

    void Finish()
    {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        changed.notify_all();
        if (dispatcher)
            dispatcher->wakeUp();
    }
    void AskForReport()
    {
        {
            std::lock_guard lock(mutex);
            reportPending = true;
        }
        changed.notify_all();
    }
    bool Done()
    {
        std::lock_guard lock(mutex);
        return done;
    }
    // True when the transfer ended within ms and needed nothing meanwhile.
    bool WaitQuietly(int ms)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done || reportPending; });
        return done;
    }
};

namespace {

    // The job a worker thread is running, so that a report from inside the
    // transfer knows whom to wake.
    thread_local CallJob* workerJob = nullptr;

    const QColor kSkyBlue(166, 202, 240);
    const QColor kFace(236, 244, 252);

    QFont PixelFont(const char* family, int pixels, bool bold = false)
    {
        QFont f(QString::fromUtf8(family));
        f.setPixelSize(pixels);
        f.setBold(bold);
        return f;
    }

    // Makes the event to replay. A mouse event's point is shared with the
    // pointing device and changes whenever another mouse event is made, so a
    // held click keeps its values and becomes an event only when replayed.
    std::function<std::unique_ptr<QEvent>()> Keep(const QEvent* event)
    {
        const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
        if (!mouse) {
            std::shared_ptr<QEvent> copy(event->clone());
            return [copy] { return std::unique_ptr<QEvent>(copy->clone()); };
        }
        return [type = mouse->type(), local = mouse->position(), scene = mouse->scenePosition(),
                   global = mouse->globalPosition(), button = mouse->button(), buttons = mouse->buttons(),
                   modifiers = mouse->modifiers(), device = QPointer<const QPointingDevice>(mouse->pointingDevice()),
                   time = mouse->timestamp()] {
            auto made = std::make_unique<QMouseEvent>(type, local, scene, global, button, buttons, modifiers,
                device ? device.data() : QPointingDevice::primaryPointingDevice());
            made->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(made));
        };
    }

    bool IsKey(QEvent::Type type)
    {
        return type == QEvent::KeyPress || type == QEvent::KeyRelease;
    }

} // namespace

TFrmWait::TFrmWait(QWidget* over)
    : QWidget(over,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
            | (over && (over->windowFlags() & Qt::WindowStaysOnTopHint) ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()))
{
    FrmWait = this;
    setObjectName(QStringLiteral("FrmWait"));
    // The window under the box keeps the focus: keys typed now belong to it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(300, 104);
    setFont(PixelFont("굴림", 12));

    LblMsg = new QLabel(QStringLiteral("서버와 통신중입니다..."), this);
    LblMsg->setObjectName(QStringLiteral("LblMsg"));
    LblMsg->setGeometry(5, 16, 290, 20);
    LblMsg->setAlignment(Qt::AlignCenter);
    LblMsg->setFont(PixelFont("돋움", 13, true));

    LblTime = new QLabel(this);
    LblTime->setObjectName(QStringLiteral("LblTime"));
    LblTime->setGeometry(5, 40, 290, 18);
    LblTime->setAlignment(Qt::AlignCenter);

    // No default button and no focus: Enter or Space typed now is for the
    // window underneath, never a cancel.
    SBCancel = new QToolButton(this);
    SBCancel->setObjectName(QStringLiteral("SBCancel"));
    SBCancel->setText(QStringLiteral("취소"));
    SBCancel->setGeometry(110, 66, 80, 28);
    SBCancel->setFocusPolicy(Qt::NoFocus);
    connect(SBCancel, &QToolButton::clicked, this, [this] {
        SBCancel->setEnabled(false);
        emit Cancelled();
    });

    const QRect area = over                ? over->frameGeometry()
        : QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                           : QRect();
    move(area.center() - rect().center());
}

TFrmWait::~TFrmWait()
{
    if (FrmWait == this)
        FrmWait = nullptr;
}

void TFrmWait::ShowElapsed(qint64 milliseconds)
{
    LblTime->setText(QString::number((milliseconds + 500) / 1000) + QStringLiteral("초"));
}

void TFrmWait::closeEvent(QCloseEvent* event)
{
    // The box goes when the call ends; the window manager cannot close it.
    if (event->spontaneous())
        event->ignore();
}

void TFrmWait::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kSkyBlue);
    p.fillRect(rect().adjusted(5, 5, -5, -5), kFace);
}

TCallWait::TCallWait(QObject* parent)
    : QObject(parent)
{
    workers_.setMaxThreadCount(8);
    // Installed once and for good: an application filter added while an
    // event is being filtered would make the filters before it see that
    // event twice. Real input reaches a window before its controls, so this
    // filter holds it before any window's own key preview sees it.
    if (qApp)
        qApp->installEventFilter(this);
}

TCallWait::~TCallWait()
{
    if (CurrentTransferRunner() == this)
        SetTransferRunner(nullptr);
    if (qApp)
        qApp->removeEventFilter(this);
    workers_.waitForDone();
}

void TCallWait::Run(const std::function<void()>& transfer, TransferCancel& cancel)
{
    // Only the windows' thread has anything to keep painting.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || QThread::currentThread() != thread()
        || workerJob) {
        transfer();
        return;
    }
    auto job = std::make_shared<CallJob>();
    job->dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer clock;
    clock.start();
    workers_.start([job, &transfer] {
        workerJob = job.get();
        transfer();
        workerJob = nullptr;
        job->Finish();
    });
    if (job->WaitQuietly(kQuietMs))
        return;
    Wait(job, cancel, clock);
}

void TCallWait::Report(const std::function<void()>& report)
{
    CallJob* job = workerJob;
    if (!job) {
        report();
        return;
    }
    job->AskForReport();
    QMetaObject::invokeMethod(
        this,
        [job, &report] {
            {
                std::lock_guard lock(job->mutex);
                job->reportPending = false;
            }
            report();
        },
        Qt::BlockingQueuedConnection);
}

void TCallWait::Wait(const std::shared_ptr<CallJob>& job, TransferCancel& cancel, const QElapsedTimer& clock)
{
    ++waiting_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QPointer<QWidget> active = QApplication::activeWindow();
    QPointer<TFrmWait> box;

    QTimer boxTimer;
    boxTimer.setSingleShot(true);
    QTimer tick;
    tick.setInterval(250);
    connect(&boxTimer, &QTimer::timeout, &boxTimer, [&] {
        // Over the window the user looks at now: its activation may have
        // arrived only after the call began.
        QWidget* over = QApplication::activeModalWidget();
        if (!over)
            over = QApplication::activeWindow() ? QApplication::activeWindow() : active.data();
        box = new TFrmWait(over);
        boxes_.push_back(QPointer<QWidget>(box.data()));
        ++boxesShown_;
        connect(box, &TFrmWait::Cancelled, box, [&cancel] { cancel.Cancel(); });
        box->ShowElapsed(clock.elapsed());
        box->show();
        // Still busy, but the box can be clicked.
        QApplication::changeOverrideCursor(Qt::BusyCursor);
        tick.start();
    });
    connect(&tick, &QTimer::timeout, &tick, [&] {
        if (box)
            box->ShowElapsed(clock.elapsed());
    });
    boxTimer.start(static_cast<int>(std::max<qint64>(0, kBoxDelayMs - clock.elapsed())));

    while (!job->Done()) {
        // Until the box is up, the window system keeps the user's input in
        // its own queue; from then on the filter holds it, so that the box
        // can be clicked.
        QEventLoop::ProcessEventsFlags flags = QEventLoop::WaitForMoreEvents;
        if (!box)
            flags |= QEventLoop::ExcludeUserInputEvents;
        QCoreApplication::processEvents(flags);
    }

    boxTimer.stop();
    tick.stop();
    // Still known as a box while it goes, so that its closing is not held.
    delete box.data();
    boxes_.erase(std::remove_if(boxes_.begin(), boxes_.end(), [](const QPointer<QWidget>& b) { return b.isNull(); }),
        boxes_.end());
    if (!FrmWait && !boxes_.empty())
        FrmWait = static_cast<TFrmWait*>(boxes_.back().data());
    QApplication::restoreOverrideCursor();
    --waiting_;
    // The box may have taken the activation on some platforms.
    if (active && active->isVisible() && QApplication::activeWindow() != active)
        active->activateWindow();
    ScheduleReplay();
}

bool TCallWait::IsBox(const QWindow* window) const
{
    for (const QPointer<QWidget>& box : boxes_) {
        if (box && box->windowHandle() == window)
            return true;
    }
    return false;
}

bool TCallWait::eventFilter(QObject* watched, QEvent* event)
{
    // Between calls, with nothing left to replay, input goes its way.
    if (waiting_ == 0 && held_.empty())
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride) {
        // Claimed for the focused control while a call waits, so that no
        // shortcut acts now; the key itself follows and is held.
        if (waiting_ == 0)
            return false;
        event->accept();
        return true;
    }
    // The user's input enters through a window before the window hands it
    // to a control; it is held there, before any window's own key preview
    // could act on it. An event that was already on its way to a control
    // when the call began goes on undisturbed.
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || std::find(replaying_.begin(), replaying_.end(), event) != replaying_.end())
        return false;
    const bool box = IsBox(window);
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Also at the box: keys belong to the window with the focus.
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (box)
            return false;
        break;
    case QEvent::Close:
        if (box || !event->spontaneous())
            return false;
        break;
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return waiting_ > 0 && !box;
    default:
        return false;
    }
    held_.push_back({ QPointer<QWindow>(window), type, Keep(event) });
    if (waiting_ == 0)
        ScheduleReplay();
    return true;
}

void TCallWait::ScheduleReplay()
{
    if (held_.empty() || replayScheduled_)
        return;
    replayScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            replayScheduled_ = false;
            ReplayNext();
        },
        Qt::QueuedConnection);
}

QObject* TCallWait::ReplayTarget(const Held& held) const
{
    if (IsKey(held.type)) {
        // A key goes where the keyboard goes now, as it would have been read
        // from the queue of a blocked program: into a window opened by the
        // keys before it, for instance.
        if (QWindow* modal = QGuiApplication::modalWindow())
            return modal;
        QWindow* focus = QGuiApplication::focusWindow();
        if (focus && focus->isVisible() && !IsBox(focus))
            return focus;
        if (held.window && held.window->isVisible())
            return held.window.data();
        return nullptr;
    }
    // A click belongs to the window it was made on, which ignores it when a
    // dialog now blocks it, as it would have then.
    if (held.window && held.window->isVisible())
        return held.window.data();
    return nullptr;
}

void TCallWait::ReplayNext()
{
    // A call that runs now replays when it ends.
    if (waiting_ > 0)
        return;
    if (held_.empty())
        return;
    Held held = std::move(held_.front());
    held_.pop_front();
    // The next one is on its way before this one is delivered: a key that
    // opens a dialog gets the keys after it typed into that dialog.
    ScheduleReplay();
    if (QObject* target = ReplayTarget(held)) {
        const std::unique_ptr<QEvent> event = held.make();
        replaying_.push_back(event.get());
        QCoreApplication::sendEvent(target, event.get());
        replaying_.pop_back();
    }
}

TCallWait* InstallCallWait()
{
    static QPointer<TCallWait> installed;
    if (!installed) {
        installed = new TCallWait(qApp);
        SetTransferRunner(installed);
    }
    return installed;
}

} // namespace order
