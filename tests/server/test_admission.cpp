// Connections that send slowly, send nothing or send too much never hold up
// the service: each is cut off at its time or size limit with a status that
// says why, while every other client is answered at once.

#include "ConnectionGate.h"
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

// Sends `first`, then `piece` every `interval`, until the service answers or
// closes the connection, or `limit` passes.
Outcome Trickle(int port, std::string first, std::string piece, std::chrono::milliseconds interval,
                std::chrono::milliseconds limit)
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
        if (!piece.empty())
            SendAll(fd, piece);
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

TEST(Admission, SlowOrSilentConnectionsAreCutOffInTime)
{
    demo::DemoServerOptions options;
    options.connections.firstByte = 400ms;
    options.connections.wholeRequest = 1200ms;
    options.connections.keepAlive = 300ms;
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
    const auto trickle = [port](std::string first, std::string piece) {
        return std::async(std::launch::async, Trickle, port, first, piece, 100ms, 4s);
    };
    Case cases[] = {
        {"silent", trickle("", ""), 0, 0.3, 1.1},
        {"a header line every 100 ms", trickle(kSlowHead, "X-Slow: a\r\n"), 408, 1.1, 2.5},
        {"a body byte every 100 ms", trickle(body, "x"), 408, 1.1, 2.5},
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
    EXPECT_GT(idle, 0.2);
    EXPECT_LT(idle, 0.8);
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
    // Both ends of a thousand connections live in this process.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(4096, files.rlim_max));
    ::setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 2600)
        GTEST_SKIP() << "descriptor limit " << files.rlim_cur;

    ServiceEnvironment env("admission_held");
    ASSERT_TRUE(env.started());
    const int port = env.port();
    std::vector<std::future<Outcome>> slow;
    const std::string body = PostHead("/NET/Order.php", "multipart/form-data; boundary=" + kBoundary, 4000000);
    for (int i = 0; i < 16; ++i) {
        slow.push_back(std::async(std::launch::async, Trickle, port, kSlowHead, "X-Slow: a\r\n", 200ms, 2500ms));
        slow.push_back(std::async(std::launch::async, Trickle, port, body, "x", 200ms, 2500ms));
    }
    std::vector<int> idle;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ConnectLoopback(port);
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
    }
    std::this_thread::sleep_for(200ms);
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        EXPECT_TRUE(MemberLookupWorks());
        EXPECT_LT(Clock::now() - start, 1s) << "call " << i;
    }
    for (auto& s : slow)
        EXPECT_EQ(s.get().status, -1) << "a slow sender was cut off before its time";
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
    // PostHead writes four header lines; the others go after the request line.
    const auto withLines = [&](int n) {
        std::string h = head;
        return h.insert(h.find("\r\n") + 2, lines(n, 1));
    };
    const struct {
        const char* what;
        std::string request;
        int status;
    } cases[] = {
        {"100 header lines", withLines(96) + body, 200},
        {"101 header lines", withLines(97) + body, 431},
        // Never ends its head: the rest must not be waited for.
        {"a head past 64 KiB", "GET /update/x HTTP/1.1\r\n" + lines(9, 8000), 431},
        {"two Content-Length", head.substr(0, head.size() - 2) + "Content-Length: " + std::to_string(body.size()) +
                                   "\r\n\r\n" + body,
         400},
        {"chunked", "POST /NET/Order.php HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n", 411},
        // Refused on its head, before the body is sent.
        {"a body over 4 MiB", "POST /NET/Order.php HTTP/1.1\r\nHost: x\r\nContent-Length: 4194305\r\n\r\n", 413},
    };
    for (const auto& c : cases) {
        const RawResponse r = RawExchange(env.port(), c.request);
        EXPECT_EQ(r.status, c.status) << c.what;
        if (c.status == 200) {
            EXPECT_EQ(order::ExtractTag("RESULT_CODE", AnswerText(r)), "1");
        }
    }
    EXPECT_TRUE(MemberLookupWorks());
}

TEST(Admission, ABurstOfConnectionsWaitsInTheBacklog)
{
    // Nothing accepts yet, so every connection that completes waits in the
    // listen backlog; the kernel drops the SYNs of the others.
    demo::ConnectionGate gate({}, [](httplib::Stream&, bool) { return false; });
    ASSERT_TRUE(gate.Listen("127.0.0.1", 0));
    std::vector<pollfd> fds;
    for (int i = 0; i < 200; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(gate.Port()));
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
}

}  // namespace
