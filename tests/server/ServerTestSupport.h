#pragma once

// Helpers shared by the demo service tests: a service on a free loopback
// port with a fresh database, and a raw HTTP exchange for requests that the
// client's own transport would never send.

#include "DemoServer.h"
#include "Gzip.h"
#include "HttpClient.h"
#include "ServiceCalls.h"
#include "TagMessage.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace demo_test {

inline std::filesystem::path MakeTempDir(const char* tag)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + tag + "_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        return {};
    return buf.data();
}

// One service per test program, seeded afresh, reached by the call functions
// through ORDER_SERVICE_HOST.
class ServiceEnvironment {
public:
    explicit ServiceEnvironment(const char* tag, demo::DemoServerOptions options = {})
    {
        dir_ = MakeTempDir(tag);
        options.dbPath = (dir_ / "demo.db").string();
        server_ = std::make_unique<demo::DemoServer>(options);
        started_ = server_->Start("127.0.0.1", 0);
        if (started_)
            ::setenv("ORDER_SERVICE_HOST", server_->HostPort().c_str(), 1);
    }
    ~ServiceEnvironment()
    {
        server_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    bool started() const { return started_; }
    demo::DemoServer& server() { return *server_; }
    int port() const { return server_->Port(); }
    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::unique_ptr<demo::DemoServer> server_;
    bool started_ = false;
};

struct RawResponse {
    bool complete = false;
    int status = 0;
    std::string headers;
    std::string body;
};

// receiveBuffer > 0 keeps the connection's receive window that small, so
// that a client that reads slowly is felt by the service at once.
inline int ConnectLoopback(int port, int receiveBuffer = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads one response (headers and a Content-Length body).
inline RawResponse ReadResponse(int fd)
{
    RawResponse r;
    std::string data;
    char buf[8192];
    std::size_t headerEnd = std::string::npos;
    std::size_t length = 0;
    for (;;) {
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + length)
            break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return r;
        data.append(buf, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                r.headers = data.substr(0, headerEnd);
                const std::size_t cl = r.headers.find("Content-Length: ");
                length = cl == std::string::npos ? 0 : std::stoul(r.headers.substr(cl + 16));
                if (r.headers.size() > 9)
                    r.status = std::atoi(r.headers.c_str() + 9);
            }
        }
    }
    r.body = data.substr(headerEnd + 4, length);
    r.complete = true;
    return r;
}

inline RawResponse RawExchange(int port, const std::string& request)
{
    const int fd = ConnectLoopback(port);
    if (fd < 0)
        return {};
    RawResponse r;
    if (SendAll(fd, request))
        r = ReadResponse(fd);
    ::close(fd);
    return r;
}

inline std::string PostHead(const std::string& path, const std::string& contentType, std::size_t length)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

inline const std::string kBoundary = "--------VHC120824101112123";

// A request body exactly as the client's transport builds it.
inline std::string ClientBody(const std::string& requestText)
{
    return order::THTTPClient::BuildBody(kBoundary, order::GzipCompress(requestText));
}

inline RawResponse PostRaw(int port, const std::string& path, const std::string& body,
                           const std::string& contentType = "multipart/form-data; boundary=" + kBoundary)
{
    return RawExchange(port, PostHead(path, contentType, body.size()) + body);
}

// The decoded answer text of a gzip answer; empty when it is not one.
inline std::string AnswerText(const RawResponse& r)
{
    std::string text;
    if (!order::GunzipMember(r.body, text))
        return {};
    return text;
}

// Fields of every record of a list answer.
inline std::vector<std::string> Records(const std::string& answer)
{
    std::vector<std::string> out;
    order::RecordWalker walker(answer);
    const long long n = order::RecordCount(answer);
    for (long long i = 0; i < n; ++i)
        out.emplace_back(walker.Next());
    return out;
}

inline std::string F(const std::string& record, const char* name)
{
    return order::ExtractTag(name, record);
}

struct CallTimes {
    int calls = 0;
    int failed = 0;
    double longest = 0;  // seconds
};

// Member look-ups and traded lists through the client's call functions, one
// after the other with `pause` between them, until `stop` is set: how long
// the slowest took while something else went on.
inline CallTimes TimeCalls(const std::atomic<bool>& stop, std::chrono::milliseconds pause)
{
    CallTimes t;
    while (!stop) {
        std::string answer;
        const auto start = std::chrono::steady_clock::now();
        if (t.calls % 2)
            order::ListTradedProducts("000001",
                                      order::BuildTag("SAME_FIELD", "U_CC") + order::BuildTag("SAME_KEY", "000101") +
                                          order::BuildTag("ORDERBY", "U_DATE DESC"),
                                      answer);
        else
            order::LookupMember(order::BuildTag("SAME_FIELD", "M_ID") + order::BuildTag("SAME_KEY", "NURI"), answer);
        t.longest = std::max(t.longest,
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ++t.calls;
        t.failed += !order::IsSuccess(answer);
        std::this_thread::sleep_for(pause);
    }
    return t;
}

}  // namespace demo_test
