#include "HttpClient.h"

#include "Encoding.h"
#include "Gzip.h"
#include "TagMessage.h"
#include "Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>

namespace order {

std::atomic<std::uint64_t> CallCounter{0};

TransportSettings& Transport()
{
    static TransportSettings settings;
    return settings;
}

const char* const kResponseHeaderNames[29] = {
    "ALL",          "Cache-Control",      "Connection",       "Date",           "Pragma",
    "Trailer",      "Transfer-Encoding",  "Upgrade",          "Via",            "Warning",
    "Accept-Ranges", "Age",               "ETag",             "Location",       "Proxy-Authenticate",
    "Retry-After",  "Server",             "Vary",             "WWW-Authenticate", "Allow",
    "Content-Encoding", "Content-Language", "Content-Length", "Content-Location", "Content-MD5",
    "Content-Range", "Content-Type",      "Expires",          "Last_Modified",
};

namespace {

constexpr std::size_t kRawHeaderBuffer = 4096;

std::string Lower(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Shares of connections (and name look-ups), so that every client object,
// though it lives for one call, reuses the kept-alive connection to the
// service host instead of a new TCP handshake per call. libcurl does not
// support one connection cache used by concurrent threads, so a transfer
// borrows a share for its whole length: calls made one after another (the
// program's, on whichever worker thread) always get the same share and its
// connection; calls made at the same time get one each.
class SharePool {
public:
    SharePool() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~SharePool()
    {
        for (CURLSH* s : free_)
            curl_share_cleanup(s);
    }
    CURLSH* Take()
    {
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                CURLSH* s = free_.back();
                free_.pop_back();
                return s;
            }
        }
        CURLSH* s = curl_share_init();
        if (s) {
            curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
            curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        }
        return s;
    }
    void Give(CURLSH* s)
    {
        if (!s)
            return;
        std::lock_guard lock(mutex_);
        free_.push_back(s);
    }

private:
    std::mutex mutex_;
    std::vector<CURLSH*> free_;
};

SharePool& Shares()
{
    static SharePool pool;
    return pool;
}

// A share for one transfer; given back after the easy handle that used it
// is gone (declare it before that handle).
class BorrowedShare {
public:
    BorrowedShare() : share_(Shares().Take()) { }
    ~BorrowedShare() { Shares().Give(share_); }
    BorrowedShare(const BorrowedShare&) = delete;
    BorrowedShare& operator=(const BorrowedShare&) = delete;
    CURLSH* get() const { return share_; }

private:
    CURLSH* share_;
};

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

struct Exchange {
    std::vector<std::string> lines;
    std::size_t rawHeaderBytes = 0;
    bool headersComplete = false;
    bool headerOverflow = false;
    std::string body;
    std::size_t maxBody = 0;
    bool bodyOverflow = false;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* ex = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    const std::string_view line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        // A new status line (after an interim 1xx answer) starts the headers anew.
        ex->lines.clear();
        ex->rawHeaderBytes = 0;
        ex->headersComplete = false;
    }
    ex->rawHeaderBytes += n;
    // The raw headers and their terminating zero must fit the 4096-byte buffer.
    if (ex->rawHeaderBytes + 1 > kRawHeaderBuffer) {
        ex->headerOverflow = true;
        return 0;
    }
    const std::string_view trimmed = Trim(line);
    ex->lines.emplace_back(trimmed);
    if (trimmed.empty() && !ex->lines.empty()) {
        const std::string& status = ex->lines.front();
        // "HTTP/1.1 1xx" is an interim answer; the real headers follow.
        const std::size_t sp = status.find(' ');
        const bool interim = sp != std::string::npos && sp + 1 < status.size() && status[sp + 1] == '1';
        if (!interim)
            ex->headersComplete = true;
    }
    return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* ex = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    if (ex->body.size() + n > ex->maxBody) {
        ex->bodyOverflow = true;
        return 0;
    }
    ex->body.append(data, n);
    return n;
}

std::string HostForUrl(const std::string& host)
{
    if (host.find(':') != std::string::npos && host.front() != '[')
        return "[" + host + "]";
    return host;
}

}  // namespace

std::string FindResponseHeader(const std::vector<std::string>& lines, int index)
{
    if (index < 0 || index >= 29)
        return {};
    if (index == 0) {
        std::string all;
        for (const auto& l : lines) {
            all += l;
            all += "\r\n";
        }
        return all;
    }
    // A header is matched by its own field name, so that a line such as
    // "X-Content-Type-Options" is never taken for "Content-Type".
    const std::string wanted = Lower(kResponseHeaderNames[index]);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const std::size_t colon = l.find(':');
        if (i == 0 && l.rfind("HTTP/", 0) == 0)
            continue;
        if (colon == std::string::npos)
            continue;
        if (Lower(Trim(std::string_view(l).substr(0, colon))) == wanted)
            return std::string(Trim(std::string_view(l).substr(colon + 1)));
    }
    return {};
}

THTTPClient::THTTPClient()
{
    ++CallCounter;
}

THTTPClient::~THTTPClient() = default;

void THTTPClient::RecordError(int code, const char* func, const char* message)
{
    errorLines_.clear();
    lastError_ = code;
    char buf[512];
    std::snprintf(buf, sizeof buf, "Error Code : %d", code);
    errorLines_.emplace_back(buf);
    std::snprintf(buf, sizeof buf, "Error Func : %s", func);
    errorLines_.emplace_back(buf);
    std::snprintf(buf, sizeof buf, "Meaasge    : %s", message);
    errorLines_.emplace_back(buf);
}

std::string THTTPClient::ResponseHeader(int index) const
{
    return FindResponseHeader(responseLines_, index);
}

std::string THTTPClient::MakeBoundary(const std::tm& t, int ms)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "--------VHC%02d%02d%02d%02d%02d%02d%03d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100,
                  t.tm_hour, t.tm_min, t.tm_sec, ms % 1000);
    return buf;
}

std::string THTTPClient::MakeBoundary()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&secs, &local);
    return MakeBoundary(local, static_cast<int>(ms));
}

std::vector<std::string> THTTPClient::BuildHeaderLines(std::string_view boundary)
{
    return {"Accept-Encoding: gzip, deflate", "Connection: Keep-Alive",
            "Content-Type: multipart/form-data; boundary=" + std::string(boundary)};
}

std::string THTTPClient::BuildBody(std::string_view boundary, std::string_view gzipped)
{
    std::string body;
    body.reserve(gzipped.size() + 200);
    body += "--";
    body += boundary;
    body += "\r\n";
    body += "Content-Disposition: form-data; name=POST; filename=GZCompressString\r\n";
    body += "Content-Type: application/x-gzip\r\n";
    body += "\r\n";
    body += gzipped;
    body += "\r\n--";
    body += boundary;
    body += "--\r\n";
    return body;
}

std::string THTTPClient::AssembleAnswer(const std::vector<std::string>& headerLines, std::string_view body,
                                        const std::string& tail)
{
    const std::string type = Lower(FindResponseHeader(headerLines, 26));
    if (type.find("download") != std::string::npos) {
        // The file is a side product of the answer; a failure to write it
        // must not turn into a crash.
        std::ofstream f(Transport().downloadFile, std::ios::binary | std::ios::trunc);
        if (f)
            f.write(body.data(), static_cast<std::streamsize>(body.size()));
        return "File Download" + tail;
    }
    if (Lower(FindResponseHeader(headerLines, 20)).find("gzip") != std::string::npos) {
        // The answer is made once: inflated with room for the NUL and the
        // tail, checked in place when it is UTF-8.
        std::string text;
        if (!GunzipMember(body, text, Transport().maxInflatedBytes, tail.size() + 1))
            return "ResponseBuffer Decompress Error" + tail;
        if (type.find("utf-8") != std::string::npos)
            SanitizeUtf8InPlace(text);
        else
            text = Cp949ToUtf8(text, tail.size() + 1);
        text += '\0';
        text += tail;
        return text;
    }
    std::string text = SanitizeUtf8(body);
    text += '\0';
    return "<HTTP HEAD>" + FindResponseHeader(headerLines, 0) + "</HTTP HEAD>" + text + tail;
}

void THTTPClient::PostRequest(const std::string& host, const std::string& path, std::string& answer,
                              std::uint16_t port, const std::string& request)
{
    const std::string tail = BuildTag("CALL_INDEX", ExtractTagView("CALL_INDEX", request));
    responseLines_.clear();
    responseBody_.clear();
    contentLength_ = 0;

    // Open.
    serverName_ = host;
    objectName_ = path;
    serverPort_ = port;
    const BorrowedShare share;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        RecordError(CURLE_FAILED_INIT, "InternetOpen", curl_easy_strerror(CURLE_FAILED_INIT));
        answer = "Open_PostRequest Error" + tail;
        return;
    }
    if (host.empty() || host.find_first_of("/?#@ \t\r\n") != std::string::npos) {
        RecordError(CURLE_URL_MALFORMAT, "InternetConnect", curl_easy_strerror(CURLE_URL_MALFORMAT));
        answer = "Open_PostRequest Error" + tail;
        return;
    }
    verb_ = "POST";
    const std::string url = "http://" + HostForUrl(host) + ":" + std::to_string(port) + path;

    // Send: the request goes as UTF-8 (it already is), gzipped, in one file part.
    const std::string boundary = MakeBoundary();
    const std::string gz = GzipCompress(request);
    if (gz.empty()) {
        RecordError(CURLE_OUT_OF_MEMORY, "PostRequest_GZCompress", "compression failed");
        answer = "Send_PostRequest Error" + tail;
        return;
    }
    requestBody_ = BuildBody(boundary, gz);
    requestLines_ = BuildHeaderLines(boundary);

    curl_slist* list = nullptr;
    for (const auto& l : requestLines_)
        list = curl_slist_append(list, l.c_str());
    // libcurl's own defaults that the request must not carry.
    list = curl_slist_append(list, "Accept:");
    list = curl_slist_append(list, "Expect:");
    std::unique_ptr<curl_slist, SlistDeleter> headers(list);

    Exchange ex;
    ex.maxBody = Transport().maxBodyBytes;
    CURL* c = curl.get();
    if (share.get())
        curl_easy_setopt(c, CURLOPT_SHARE, share.get());
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, requestBody_.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requestBody_.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent_.c_str());
    // The client decodes the answer itself; libcurl must hand over raw bytes.
    curl_easy_setopt(c, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    if (changesData_)
        curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, Transport().connectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, Transport().totalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, Transport().lowSpeedSeconds);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &ex);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &ex);

    // A cancelled transfer ends like a line that failed at that moment: before
    // the headers as a send error, in the middle of the body as a read error.
    CURLcode rc = CURLE_OK;
    TransferCancel cancel;
    RunTransfer([&] { rc = PerformTransfer(c, cancel); }, cancel);
    responseLines_ = ex.lines;

    if (ex.headerOverflow) {
        RecordError(rc, "HttpQueryInfo[HTTP_QUERY_RAW_HEADERS_CRLF]", "response headers exceed 4096 bytes");
        responseLines_.clear();
        answer = "SetResponseHeader Error" + tail;
        return;
    }
    if (!ex.headersComplete) {
        RecordError(rc, "InternetConnect", curl_easy_strerror(rc));
        responseLines_.clear();
        answer = "Send_PostRequest Error" + tail;
        return;
    }
    const std::string length = ResponseHeader(22);
    contentLength_ = length.empty() ? 0 : ToIntDef(length, 0);
    if (rc != CURLE_OK || ex.bodyOverflow) {
        RecordError(rc, "InternetReadFile", ex.bodyOverflow ? "answer too large" : curl_easy_strerror(rc));
        ex.body.clear();
        answer = "SetResponseBuffer Error" + tail;
        return;
    }
    responseBody_ = std::move(ex.body);
    if (responseBody_.size() < 2) {
        answer = "SetResponseBuffer Error" + tail;
        return;
    }
    answer = AssembleAnswer(responseLines_, responseBody_, tail);
}

}  // namespace order
