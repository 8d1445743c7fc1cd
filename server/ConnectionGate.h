#pragma once

// Admission of connections in front of cpp-httplib. The library gives each
// connection a worker thread from the moment it is accepted, and its only
// clock is a per-receive timeout: a client that sends a byte now and then,
// or none at all, keeps a worker for as long as it likes, and sixteen of
// them stop the service. The gate instead reads every request whole on one
// thread that waits for all connections at once (epoll), under a deadline
// and size limits, and hands only complete requests to the workers. A
// connection waiting between requests holds no thread at all.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace httplib {
class Stream;
}

namespace demo {

struct GateLimits {
    // A new connection sends its first byte within this time.
    std::chrono::milliseconds firstByte{2000};
    // A request arrives whole (headers and body) within this time, counted
    // from the connection's opening, or for a later request on the same
    // connection from its first byte.
    std::chrono::milliseconds wholeRequest{10000};
    // A kept-alive connection sends its next request within this time.
    std::chrono::milliseconds keepAlive{5000};
    // Each write of an answer may wait this long for the client to read.
    std::chrono::milliseconds write{5000};
    std::size_t maxHeaderLines = 100;
    std::size_t maxHeaderBytes = 64 * 1024;  // request line and header lines
    std::size_t maxBody = std::size_t(4) << 20;
    // Open connections; also kept below the process's descriptor limit. When
    // full, the waiting connection nearest to its deadline (one that has sent
    // nothing of its next request) is closed to make room.
    std::size_t maxConnections = 10000;
    // Bytes of requests still arriving, over all connections.
    std::size_t maxBufferedBytes = std::size_t(256) << 20;
    std::size_t maxRequestsPerConnection = 1000;
    int backlog = 1024;
    int workers = 16;
};

// What the gate reads from a request's head (request line, header lines and
// the blank line that ends them).
struct RequestHead {
    int refusal = 0;  // HTTP status that refuses the request; 0 when it may go on
    std::string reason;
    std::size_t contentLength = 0;
    bool expectsContinue = false;
};

// `head` ends with the blank line. Refuses more header lines than allowed
// (431), a line broken by a bare CR or LF, a header name with blanks before
// its colon, a second or non-numeric Content-Length (400), any
// Transfer-Encoding (411: the body is framed by its length alone, so that the
// gate and the library can never read it differently) and a declared body
// above maxBody (413).
RequestHead CheckRequestHead(std::string_view head, std::size_t maxHeaderLines, std::size_t maxBody);

class ConnectionGate {
public:
    // Answers the one request that `stream` reads and writes the answer to
    // it. Returns false when the connection must close; `last` asks for the
    // answer to close it.
    using Handler = std::function<bool(httplib::Stream& stream, bool last)>;

    ConnectionGate(GateLimits limits, Handler handler);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Binds and listens (port 0 takes a free one); connections queue in the
    // backlog until Start.
    bool Listen(const std::string& host, int port);
    int Port() const;
    // The listening socket, -1 before Listen and after Stop.
    int ListeningSocket() const;

    // Starts the accepting thread and the workers.
    void Start();
    // Closes the listening socket and every connection, lets the workers end
    // the answers they are writing as soon as their next write, and joins
    // all threads.
    void Stop();
    bool Stopping() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace demo
