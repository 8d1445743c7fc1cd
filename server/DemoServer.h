#pragma once

// The demo supplier service, usable in-process by tests and by the
// demo_server program.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace demo {

// What one client may take of the service. libmicrohttpd serves every
// connection from a small pool of threads, each waiting on its connections
// with epoll, so a client that sends or reads slowly, or not at all, holds a
// connection slot and a little memory but never a thread.
struct ConnectionLimits {
    // A connection that neither sends nor takes a byte for this long is
    // closed: a new connection that says nothing, a kept-alive one between
    // requests, a client that stops in the middle of its request or stops
    // reading its answer. libmicrohttpd counts whole seconds.
    std::chrono::seconds idle{5};
    // A request's head and body arrive within this time of its request
    // line: a head completed later is answered 408, a body still arriving
    // then is cut off with its connection.
    std::chrono::milliseconds wholeRequest{10000};
    // Memory of one connection, holding its request line and header lines
    // (a head that does not fit is answered 431) and its read buffer. Up to
    // 32 KiB libmicrohttpd takes it from malloc; above, it maps each
    // connection's memory on its own, which costs every call a third more
    // time (unmapping interrupts every thread of the process).
    std::size_t connectionMemory = 32 * 1024;
    std::size_t maxHeaderLines = 100;  // more are answered 431
    // Open connections, also kept below the process's descriptor limit;
    // further ones wait in the listen backlog until one closes. Nothing is
    // closed to make room, so the cap is high: only a flood that fills it
    // makes a new client wait, at most until the oldest flooder has been
    // idle for `idle`.
    unsigned maxConnections = 50000;
    // Declared bodies of the service requests being received, over all
    // connections; a request past it is answered 503 on its head.
    std::size_t maxBufferedBytes = std::size_t(256) << 20;
    // Each connection stays with one thread, which also runs its requests'
    // database work: a long call delays only the connections of its thread.
    unsigned threads = 16;
    unsigned backlog = 1024;
};

struct DemoServerOptions {
    std::string dbPath;        // SQLite file; created and seeded when new
    std::string updateDir;     // folder published under /update/ (may be empty)
    bool seed = true;          // seed the demo data into a new database
    int largeCatalog = 0;      // extra generated products (benchmarks)
    std::string updateProgram = "nrclient";  // program file in updateDir/DATA (<VERSION>)
    // Tests shorten the times; the body limit is always the protocol's
    // kMaxRequestBody.
    ConnectionLimits connections;
};

class DemoServer {
public:
    explicit DemoServer(DemoServerOptions options);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Binds host:port (port 0 picks a free one) and serves on background
    // threads; false when it cannot listen or the database cannot be opened.
    bool Start(const std::string& host = "127.0.0.1", int port = 0);
    int Port() const;
    // "127.0.0.1:<port>", ready for ORDER_SERVICE_HOST.
    std::string HostPort() const;
    // Closes every connection, ending answers still being sent.
    void Stop();

    // Supplier-side receiving: sets an order's state ("A", "I", "O", "X").
    bool SetOrderState(const std::string& orderCode, const std::string& state);

    // The database file in use (a temporary one when dbPath was empty).
    std::string DatabasePath() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace demo
