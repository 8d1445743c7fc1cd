#pragma once

// THTTPClient carries one request text to a service script as a gzip file in
// a multipart/form-data POST and always hands back a text: the decoded answer
// or a fixed error word, followed by the request's CALL_INDEX element.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace order {

// Number of client objects created since the data module was created.
extern std::atomic<std::uint64_t> CallCounter;

struct TransportSettings {
    long connectTimeoutMs = 5000;   // a dead host answers within seconds
    long totalTimeoutMs = 120000;   // a stuck exchange ends, a big list still arrives
    long lowSpeedSeconds = 30;      // no byte for this long ends the exchange
    std::size_t maxBodyBytes = std::size_t(64) << 20;
    std::size_t maxInflatedBytes = std::size_t(256) << 20;
    std::string downloadFile = "downfile";  // where a "download" answer is written
};

TransportSettings& Transport();

// The 29 response header names; the exchange uses 0, 20 and 26.
extern const char* const kResponseHeaderNames[29];

class THTTPClient {
public:
    THTTPClient();
    virtual ~THTTPClient();
    THTTPClient(const THTTPClient&) = delete;
    THTTPClient& operator=(const THTTPClient&) = delete;

    void PostRequest(const std::string& host, const std::string& path, std::string& answer, std::uint16_t port,
                     const std::string& request);

    // For a request that changes the supplier's data. libcurl sends a request
    // again by itself when a reused connection closes before a byte of the
    // answer, and the service may have stored the first one already. Such a
    // request goes on a connection of its own, which libcurl never replays:
    // a lost answer comes back as the failure it is.
    void SetChangesData(bool changes) { changesData_ = changes; }
    bool ChangesData() const { return changesData_; }

    // 0: every header line followed by CR LF; other index: the value of the
    // header named in the table, empty when absent.
    std::string ResponseHeader(int index) const;

    int LastErrorCode() const { return lastError_; }
    const std::vector<std::string>& ErrorLines() const { return errorLines_; }
    long long DeclaredContentLength() const { return contentLength_; }
    const std::vector<std::string>& ResponseHeaderLines() const { return responseLines_; }

    // "--------VHC" + mmddyyhhnnsszzz.
    static std::string MakeBoundary(const std::tm& local, int milliseconds);
    static std::string MakeBoundary();
    static std::string BuildBody(std::string_view boundary, std::string_view gzipped);
    static std::vector<std::string> BuildHeaderLines(std::string_view boundary);

    // Answer assembly from a finished exchange; public so that the fuzz
    // targets and tests can drive it without a network.
    static std::string AssembleAnswer(const std::vector<std::string>& headerLines, std::string_view body,
                                      const std::string& tail);

private:
    void RecordError(int code, const char* func, const char* message);

    std::vector<std::string> requestLines_;
    std::vector<std::string> responseLines_;
    std::string agent_ = "Vesta HTTP Client";
    std::string serverName_;
    std::uint16_t serverPort_ = 80;
    std::string objectName_;
    std::string version_ = "HTTP/1.1";
    std::string verb_;
    std::string requestBody_;
    std::string responseBody_;
    long long contentLength_ = 0;
    bool changesData_ = false;
    int lastError_ = 0;
    std::vector<std::string> errorLines_;
};

// Value of a header from a list of response lines, by table index.
std::string FindResponseHeader(const std::vector<std::string>& lines, int index);

}  // namespace order
