#pragma once

// The demo supplier service, usable in-process by tests and by the
// demo_server program.

#include "ConnectionGate.h"

#include <memory>
#include <string>

namespace demo {

struct DemoServerOptions {
    std::string dbPath;        // SQLite file; created and seeded when new
    std::string updateDir;     // folder published under /update/ (may be empty)
    bool seed = true;          // seed the demo data into a new database
    int largeCatalog = 0;      // extra generated products (benchmarks)
    std::string updateProgram = "nrclient";  // program file in updateDir/DATA (<VERSION>)
    // Time and size limits of connections and requests (tests shorten the
    // times); the body limit is always the protocol's kMaxRequestBody.
    GateLimits connections;
};

class DemoServer {
public:
    explicit DemoServer(DemoServerOptions options);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Binds host:port (port 0 picks a free one) and serves on a background
    // thread; false when it cannot listen or the database cannot be opened.
    bool Start(const std::string& host = "127.0.0.1", int port = 0);
    int Port() const;
    // "127.0.0.1:<port>", ready for ORDER_SERVICE_HOST.
    std::string HostPort() const;
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
