#pragma once

// The blocking network part of a service call or a file download is a
// "transfer". By default it runs on the calling thread, as it always did.
// The windows install a TransferRunner that runs it on a worker thread while
// they keep painting, and that can end it early through its TransferCancel.
// This layer knows nothing of windows or threads beyond that.

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <mutex>

namespace order {

// Ends a transfer that is under way, from any thread. The transfer wakes at
// once and ends as if the line had failed at that moment.
class TransferCancel {
public:
    TransferCancel() = default;
    TransferCancel(const TransferCancel&) = delete;
    TransferCancel& operator=(const TransferCancel&) = delete;

    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }

    // For the transfer loop: how to wake it while it waits on the network.
    // Cancel never calls a wake-up after Detach has returned.
    void Attach(std::function<void()> wake);
    void Detach();

private:
    std::atomic<bool> cancelled_ { false };
    std::mutex mutex_;
    std::function<void()> wake_;
};

class TransferRunner {
public:
    virtual ~TransferRunner() = default;
    // Runs transfer and returns once it has ended; cancel ends it early.
    virtual void Run(const std::function<void()>& transfer, TransferCancel& cancel) = 0;
    // Called from inside a running transfer (download progress): runs report
    // on the thread that called Run, while the transfer waits for it.
    virtual void Report(const std::function<void()>& report) = 0;
};

// nullptr (the default) runs every transfer in place.
void SetTransferRunner(TransferRunner* runner);
TransferRunner* CurrentTransferRunner();

// The one way every service call and download runs its transfer.
void RunTransfer(const std::function<void()>& transfer, TransferCancel& cancel);
void ReportFromTransfer(const std::function<void()>& report);

// curl_easy_perform that cancel can end: a cancelled transfer gives
// CURLE_ABORTED_BY_CALLBACK, and its connection is closed, never reused.
CURLcode PerformTransfer(CURL* easy, TransferCancel& cancel);

} // namespace order
