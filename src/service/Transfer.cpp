#include "Transfer.h"

#include <utility>

namespace order {

namespace {

    std::atomic<TransferRunner*> installedRunner { nullptr };

    CURLcode FromMulti(CURLMcode mc)
    {
        return mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
    }

} // namespace

void TransferCancel::Cancel()
{
    cancelled_ = true;
    std::lock_guard lock(mutex_);
    if (wake_)
        wake_();
}

void TransferCancel::Attach(std::function<void()> wake)
{
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void TransferCancel::Detach()
{
    std::lock_guard lock(mutex_);
    wake_ = nullptr;
}

void SetTransferRunner(TransferRunner* runner)
{
    installedRunner = runner;
}

TransferRunner* CurrentTransferRunner()
{
    return installedRunner.load();
}

void RunTransfer(const std::function<void()>& transfer, TransferCancel& cancel)
{
    if (TransferRunner* runner = installedRunner.load())
        runner->Run(transfer, cancel);
    else
        transfer();
}

void ReportFromTransfer(const std::function<void()>& report)
{
    if (TransferRunner* runner = installedRunner.load())
        runner->Report(report);
    else
        report();
}

CURLcode PerformTransfer(CURL* easy, TransferCancel& cancel)
{
    // curl_easy_perform makes a multi handle of its own for every easy
    // handle as well; this one can be woken from another thread.
    CURLM* multi = curl_multi_init();
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    if (const CURLMcode mc = curl_multi_add_handle(multi, easy); mc != CURLM_OK) {
        curl_multi_cleanup(multi);
        return FromMulti(mc);
    }
    cancel.Attach([multi] { curl_multi_wakeup(multi); });

    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        CURLMcode mc = curl_multi_perform(multi, &running);
        bool done = false;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (mc == CURLM_OK && cancel.Cancelled()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (mc == CURLM_OK)
            mc = curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        if (mc != CURLM_OK) {
            result = FromMulti(mc);
            break;
        }
    }

    cancel.Detach();
    // Taking the handle away in the middle of an exchange closes its
    // connection, so a later call never reads the rest of this answer.
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    return result;
}

} // namespace order
