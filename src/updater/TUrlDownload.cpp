#include "TUrlDownload.h"

#include "Transfer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <curl/curl.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace order {

long TUrlDownload::connectTimeoutMs = 5000;
long TUrlDownload::lowSpeedSeconds = 30;

namespace {

    struct CurlDeleter {
        void operator()(CURL* c) const { curl_easy_cleanup(c); }
    };
    struct SlistDeleter {
        void operator()(curl_slist* l) const { curl_slist_free_all(l); }
    };

    std::uint32_t Clamp32(curl_off_t v)
    {
        if (v < 0)
            return 0;
        return static_cast<std::uint32_t>(std::min<curl_off_t>(v, std::numeric_limits<std::uint32_t>::max()));
    }

} // namespace

struct UrlDownloadCallbacks {
    TUrlDownload* self;
    QSaveFile* file;
    long lastStatus = 0;
    bool writeFailed = false;
    std::uint32_t lastMax = 0;
    std::uint32_t lastPos = 0;
    bool reported = false;

    static size_t Header(char* data, size_t size, size_t count, void* user)
    {
        auto* cb = static_cast<UrlDownloadCallbacks*>(user);
        const size_t n = size * count;
        const QByteArray line(data, static_cast<qsizetype>(n));
        // A status line starts each response (one per redirect hop).
        if (line.startsWith("HTTP/")) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            cb->lastStatus = parts.size() > 1 ? parts[1].toLong() : 0;
            if (cb->lastStatus >= 200 && cb->lastStatus < 300 && !cb->self->started_) {
                cb->self->started_ = true;
                // The events reach the window on its own thread.
                if (cb->self->OnStart)
                    ReportFromTransfer([self = cb->self] { self->OnStart(self, self->Url); });
            }
        }
        return n;
    }

    static size_t Write(char* data, size_t size, size_t count, void* user)
    {
        auto* cb = static_cast<UrlDownloadCallbacks*>(user);
        const size_t n = size * count;
        if (cb->file->write(data, static_cast<qint64>(n)) != static_cast<qint64>(n)) {
            cb->writeFailed = true;
            return 0;
        }
        return n;
    }

    static int Progress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t)
    {
        auto* cb = static_cast<UrlDownloadCallbacks*>(user);
        TUrlDownload* self = cb->self;
        if (!self->started_ || !self->OnProgress)
            return 0;
        const std::uint32_t max = Clamp32(dltotal);
        const std::uint32_t pos = Clamp32(dlnow);
        // libcurl also calls while idle; report only what changed.
        if (cb->reported && max == cb->lastMax && pos == cb->lastPos)
            return 0;
        const std::uint32_t status = !cb->reported ? TUrlDownload::kStatusBeginData
            : (max != 0 && pos >= max)             ? TUrlDownload::kStatusEndData
                                                   : TUrlDownload::kStatusDownloadingData;
        cb->reported = true;
        cb->lastMax = max;
        cb->lastPos = pos;
        bool cancel = false;
        ReportFromTransfer([&] { self->OnProgress(self, max, pos, status, self->Url, cancel); });
        if (cancel) {
            self->cancelled_ = true;
            return 1; // makes libcurl stop with CURLE_ABORTED_BY_CALLBACK
        }
        return 0;
    }
};

bool TUrlDownload::Download(const QString& target)
{
    started_ = false;
    cancelled_ = false;
    errorText_.clear();

    QSaveFile file(target);
    // Never fall back to writing the target in place.
    file.setDirectWriteFallback(false);
    const QFileInfo existing(target);
    const bool hadFile = existing.exists();
    const QFileDevice::Permissions keep = hadFile ? existing.permissions() : QFileDevice::Permissions();

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        errorText_ = QStringLiteral("curl_easy_init failed");
        if (OnStop)
            OnStop(this);
        return false;
    }
    if (!file.open(QIODevice::WriteOnly)) {
        errorText_ = file.errorString();
        if (OnStop)
            OnStop(this);
        return false;
    }

    UrlDownloadCallbacks cb { this, &file };
    char errorBuffer[CURL_ERROR_SIZE] = {};
    // Every fetch comes from the host itself, never from a cache on the way.
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    headers.reset(curl_slist_append(headers.release(), "Cache-Control: no-cache"));
    headers.reset(curl_slist_append(headers.release(), "Pragma: no-cache"));

    const QByteArray url = Url.toUtf8();
    CURL* c = curl.get();
    CURLcode setup = CURLE_OK;
    auto set = [&](CURLcode rc) {
        if (setup == CURLE_OK)
            setup = rc;
    };
    set(curl_easy_setopt(c, CURLOPT_URL, url.constData()));
    set(curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get()));
    set(curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L));
    set(curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L));
    set(curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L));
    set(curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L));
    set(curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs));
    set(curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L));
    set(curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, lowSpeedSeconds));
    set(curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer));
    set(curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &UrlDownloadCallbacks::Header));
    set(curl_easy_setopt(c, CURLOPT_HEADERDATA, &cb));
    set(curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &UrlDownloadCallbacks::Write));
    set(curl_easy_setopt(c, CURLOPT_WRITEDATA, &cb));
    set(curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L));
    set(curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &UrlDownloadCallbacks::Progress));
    set(curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cb));

    CURLcode rc = setup;
    TransferCancel cancel;
    if (setup == CURLE_OK)
        RunTransfer([&] { rc = PerformTransfer(c, cancel); }, cancel);
    if (rc != CURLE_OK) {
        if (cancelled_ || cancel.Cancelled())
            errorText_ = QStringLiteral("cancelled");
        else if (cb.writeFailed)
            errorText_ = file.errorString();
        else
            errorText_ = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
        if (errorText_.isEmpty())
            errorText_ = QStringLiteral("download failed");
    } else if (!started_) {
        errorText_ = QStringLiteral("no transfer (HTTP status %1)").arg(cb.lastStatus);
    }

    bool ok = errorText_.isEmpty();
    if (ok) {
        if (hadFile)
            file.setPermissions(keep);
        if (!file.commit()) {
            errorText_ = file.errorString();
            ok = false;
        }
    } else {
        file.cancelWriting();
    }
    if (OnStop)
        OnStop(this);
    return ok;
}

} // namespace order
