// Connections that send slowly, send nothing or send too much never hold up
// the service: each is cut off at its time or size limit, with a status that
// says why where an answer can still be given, while every other client is
// answered at once.

#include "ServerTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>

#include <chrono>
#include <future>
#include <thread>

using namespace demo_test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using order::BuildTag;

namespace {

struct Outcome {
    double seconds = 0;  // from connecting until the service answered or closed
    int status = -1;     // -1: still open at the limit; 0: closed without an answer
};

// Sends `first`, then `piece` every `interval` (and `last` once `lastAfter`
// has passed), until the service answers or closes the connection, or
// `limit` passes.
Outcome Trickle(int port, std::string first, std::string piece, std::chrono::milliseconds interval,
                std::chrono::milliseconds limit, std::string last = {},
                std::chrono::milliseconds lastAfter = std::chrono::milliseconds::max())
{
    Outcome o;
    const auto start = Clock::now();
    const int fd = ConnectLoopback(port);
    if (fd < 0)
        return o;
    SendAll(fd, first);
    while (Clock::now() - start < limit) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(interval.count())) > 0) {
            o.status = ReadResponse(fd).status;
            break;
        }
        if (!last.empty() && Clock::now() - start >= lastAfter) {
            SendAll(fd, last);
            last.clear();
        } else if (!piece.empty()) {
            SendAll(fd, piece);
        }
    }
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    return o;
}

const std::string kSlowHead = "POST /NET/MaruMember.php HTTP/1.1\r\nHost: x\r\n";

bool MemberLookupWorks()
{
    std::string answer;
    order::LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI"), answer);
    return order::IsSuccess(answer);
}

// Raises the soft descriptor limit; false when `wanted` cannot be had.
bool EnoughDescriptors(rlim_t wanted)
{
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(wanted, files.rlim_max));
    ::setrlimit(RLIMIT_NOFILE, &files);
    return files.rlim_cur >= wanted;
}

TEST(Admission, SlowOrSilentConnectionsAreCutOffInTime)
{
    demo::DemoServerOptions options;
    options.connections.idle = 1s;
    options.connections.wholeRequest = 1200ms;
    ServiceEnvironment env("admission_times", options);
    ASSERT_TRUE(env.started());
    const int port = env.port();
    const std::string body = PostHead("/NET/Order.php", "multipart/form-data; boundary=" + kBoundary, 1000);
    struct Case {
        const char* what;
        std::future<Outcome> outcome;
        int status;
        double from, to;  // seconds
    };
    const auto trickle = [port](std::string first, std::string piece, std::string last = {}) {
        return std::async(std::launch::async, Trickle, port, first, piece, 100ms, 4s, last, 1500ms);
    };
    Case cases[] = {
        {"silent", trickle("", ""), 0, 0.9, 2.2},
        // Each line keeps the connection from being idle; the head is judged
        // when it ends.
        {"a header line every 100 ms, the end after 1.5 s", trickle(kSlowHead, "X-Slow: a\r\n", "\r\n"), 408, 1.4,
         2.5},
        {"a body byte every 100 ms", trickle(body, "x"), 0, 1.2, 2.5},
        {"one body byte, then nothing", trickle(body + "x", ""), 0, 0.9, 2.2},
    };
    // Kept alive after an answer, then silent.
    const int fd = ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    SendAll(fd, "GET /update/x HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(ReadResponse(fd).status, 404);
    const auto answered = Clock::now();
    char byte;
    EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
    const double idle = std::chrono::duration<double>(Clock::now() - answered).count();
    EXPECT_GT(idle, 0.8);
    EXPECT_LT(idle, 2.0);
    ::close(fd);

    for (Case& c : cases) {
        const Outcome o = c.outcome.get();
        EXPECT_EQ(o.status, c.status) << c.what;
        EXPECT_GE(o.seconds, c.from) << c.what;
        EXPECT_LE(o.seconds, c.to) << c.what;
    }
    EXPECT_TRUE(MemberLookupWorks());
}

TEST(Admission, SlowAndIdleConnectionsDoNotHoldUpOthers)
{
    // Both ends of every connection live in this process.
    if (!EnoughDescriptors(2600))
        GTEST_SKIP() << "not enough descriptors";

    ServiceEnvironment env("admission_held");
    ASSERT_TRUE(env.started());
    const int port = env.port();
    std::vector<int> idle;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ConnectLoopback(port);
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
    }
    const std::string body = PostHead("/NET/Order.php", "multipart/form-data; boundary=" + kBoundary, 4000000);
    for (const int senders : {16, 100}) {
        std::vector<std::future<Outcome>> slow;
        for (int i = 0; i < senders; ++i)
            slow.push_back(i % 2 ? std::async(std::launch::async, Trickle, port, kSlowHead, "X-Slow: a\r\n", 200ms,
                                              2500ms, std::string(), std::chrono::milliseconds::max())
                                 : std::async(std::launch::async, Trickle, port, body, "x", 200ms, 2500ms,
                                              std::string(), std::chrono::milliseconds::max()));
        std::this_thread::sleep_for(200ms);
        for (int i = 0; i < 5; ++i) {
            const auto start = Clock::now();
            EXPECT_TRUE(MemberLookupWorks());
            EXPECT_LT(Clock::now() - start, 1s) << senders << " slow senders, call " << i;
        }
        for (auto& s : slow)
            EXPECT_EQ(s.get().status, -1) << "a slow sender was cut off before its time";
    }
    for (const int fd : idle)
        ::close(fd);
}

TEST(Admission, HeadsBeyondTheLimitsAreRefusedWithTheirStatus)
{
    ServiceEnvironment env("admission_limits");
    ASSERT_TRUE(env.started());
    const std::string member = order::GzipCompress("VALUE=<POST_DATA>" + BuildTag("COMMAND", "100000") +
                                                   BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI") +
                                                   "</POST_DATA>");
    const std::string body = order::THTTPClient::BuildBody(kBoundary, member);
    const std::string head = PostHead("/NET/MaruMember.php", "multipart/form-data; boundary=" + kBoundary, body.size());
    const auto lines = [](int n, std::size_t width) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "X-" + std::to_string(i) + ": " + std::string(width, 'a') + "\r\n";
        return text;
    };
    // Header lines right after the request line (PostHead writes four).
    const auto withLines = [&](const std::string& extra) {
        std::string h = head;
        return h.insert(h.find("\r\n") + 2, extra);
    };
    const std::string order = "POST /NET/Order.php HTTP/1.1\r\nHost: x\r\n";
    const struct {
        const char* what;
        std::string request;
        int status;
    } cases[] = {
        {"100 header lines", withLines(lines(96, 1)) + body, 200},
        {"101 header lines", withLines(lines(97, 1)) + body, 431},
        // Never ends its head: the rest must not be waited for.
        {"a head past 32 KiB", "GET /update/x HTTP/1.1\r\n" + lines(5, 8000), 431},
        {"two Content-Length", withLines("Content-Length: " + std::to_string(body.size()) + "\r\n") + body, 400},
        {"Content-Length with a sign", order + "Content-Length: +5\r\n\r\nabcde", 400},
        {"Content-Length escaped", order + "Content-Length: %35\r\n\r\nabcde", 400},
        {"empty Content-Length", order + "Content-Length:\r\n\r\n", 400},
        {"a blank before the colon", order + "Content-Length : 5\r\n\r\nabcde", 400},
        {"a line without a colon", order + "nonsense\r\n\r\n", 400},
        {"chunked", order + "Transfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n", 411},
        {"a length and an encoding", order + "Content-Length: 5\r\nTransfer-Encoding: identity\r\n\r\nabcde", 411},
        // Refused on its head, before the body is sent.
        {"a body over 4 MiB", order + "Content-Length: 4194305\r\n\r\n", 413},
    };
    for (const auto& c : cases) {
        const RawResponse r = RawExchange(env.port(), c.request);
        EXPECT_EQ(r.status, c.status) << c.what;
        if (c.status == 200) {
            EXPECT_EQ(order::ExtractTag("RESULT_CODE", AnswerText(r)), "1");
        } else {
            EXPECT_NE(r.headers.find("Connection: close"), std::string::npos) << c.what << ": " << r.headers;
        }
    }
    EXPECT_TRUE(MemberLookupWorks());
}

TEST(Admission, ConnectionsPastTheLimitWaitInTheBacklog)
{
    demo::DemoServerOptions options;
    options.connections.idle = 1s;
    options.connections.maxConnections = 2;
    options.connections.threads = 1;
    ServiceEnvironment env("admission_backlog", options);
    ASSERT_TRUE(env.started());
    const int port = env.port();
    // Two silent connections take both places.
    const int first = ConnectLoopback(port), second = ConnectLoopback(port);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    std::this_thread::sleep_for(200ms);
    const auto start = Clock::now();

    // A burst completes its handshakes in the listen backlog (the kernel
    // drops the SYNs beyond it) instead of being accepted and closed.
    std::vector<pollfd> fds;
    for (int i = 0; i < 200; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fds.push_back({fd, POLLOUT, 0});
    }
    std::this_thread::sleep_for(300ms);
    ::poll(fds.data(), fds.size(), 0);
    int connected = 0;
    for (const pollfd& p : fds) {
        int error = -1;
        socklen_t len = sizeof error;
        ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &len);
        connected += (p.revents & POLLOUT) && error == 0;
        ::close(p.fd);
    }
    EXPECT_GE(connected, 129);

    // A request waits until the silent pair is closed, then is answered.
    const RawResponse r = PostRaw(port, "/NET/MaruMember.php",
                                  ClientBody("VALUE=<POST_DATA>" + BuildTag("COMMAND", "100000") +
                                             BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI") +
                                             "</POST_DATA>"));
    const double waited = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(r.status, 200);
    EXPECT_GT(waited, 0.5);
    EXPECT_LT(waited, 3.0);
    char byte;
    EXPECT_EQ(::recv(first, &byte, 1, 0), 0);
    EXPECT_EQ(::recv(second, &byte, 1, 0), 0);
    ::close(first);
    ::close(second);
}

}  // namespace
