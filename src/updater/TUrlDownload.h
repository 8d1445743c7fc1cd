#pragma once

// TUrlDownload fetches one URL into one file and reports the transfer as
// events: start, progress (maximum and position, with a cancel flag) and
// stop. One object serves one download.
//
// The body is written to a temporary file beside the target and renamed onto
// it only when the whole transfer succeeded, so a failed or cancelled fetch
// never leaves a half-written file under the target's name (a running
// program file is replaced by rename, never overwritten in place). The
// replaced file's permission bits are kept.
//
// The transfer goes through the program's one transfer runner (Transfer.h),
// which may move it to a worker thread; the events are still raised on the
// thread that called Download.

#include <QString>

#include <cstdint>
#include <functional>

namespace order {

class TUrlDownload {
public:
    using StartEvent = std::function<void(TUrlDownload* sender, const QString& url)>;
    using StopEvent = std::function<void(TUrlDownload* sender)>;
    using ProgressEvent = std::function<void(TUrlDownload* sender, std::uint32_t maximum, std::uint32_t position,
        std::uint32_t statusCode, const QString& statusText, bool& cancel)>;

    // Status codes handed to OnProgress, numbered as the download service
    // the program was first written against numbers them.
    static constexpr std::uint32_t kStatusBeginData = 4;
    static constexpr std::uint32_t kStatusDownloadingData = 5;
    static constexpr std::uint32_t kStatusEndData = 6;

    TUrlDownload() = default;
    TUrlDownload(const TUrlDownload&) = delete;
    TUrlDownload& operator=(const TUrlDownload&) = delete;

    // Fetches Url into target, bypassing caches. True only when the host
    // answered with a success status, the transfer started, it ended without
    // an error text and the file is in place.
    bool Download(const QString& target);

    QString Url;
    StartEvent OnStart;
    StopEvent OnStop;
    ProgressEvent OnProgress;

    bool Started() const { return started_; }
    // Why the last Download failed; empty after a success.
    const QString& ErrorText() const { return errorText_; }

    // A dead host must not freeze the start-up window for minutes.
    static long connectTimeoutMs;
    static long lowSpeedSeconds;

private:
    friend struct UrlDownloadCallbacks;
    bool started_ = false;
    bool cancelled_ = false;
    QString errorText_;
};

} // namespace order
