#pragma once

// A plain HTTP server on a loopback port for updater tests: serves a folder
// under /update/, plus a few routes for download failures, and counts the
// requests it answered.

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class UpdateTestServer {
public:
    explicit UpdateTestServer(const std::string& updateFolder = {})
    {
        // libcurl honours the machine's proxy settings; loopback traffic of
        // the tests must never go through one.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        if (!updateFolder.empty())
            server_.set_mount_point("/update", updateFolder);
        server_.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3 << 20, 'x'), "application/octet-stream");
        });
        server_.Get("/redirect",
            [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/update/hello.txt"); });
        server_.Get("/echo-headers", [](const httplib::Request& req, httplib::Response& res) {
            std::string text;
            for (const auto& [k, v] : req.headers)
                text += k + ": " + v + "\n";
            res.set_content(text, "text/plain");
        });
        server_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard<std::mutex> lock(mutex_);
            paths_.push_back(req.path);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 200 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~UpdateTestServer()
    {
        server_.stop();
        thread_.join();
    }
    int Port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + HostPort() + path; }
    std::vector<std::string> Paths()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return paths_;
    }
    void ClearPaths()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        paths_.clear();
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> paths_;
};

// A loopback port on which nothing listens (bound without listening, then
// released).
inline int ClosedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}
