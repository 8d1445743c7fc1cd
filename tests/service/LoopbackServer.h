#pragma once

// A real HTTP server on loopback for the transport tests: cpp-httplib answers
// the routes, and a small recording front in front of it keeps the raw bytes
// of every request, counts the TCP connections it accepts, and can answer a
// path with canned raw bytes (header orders and broken answers that a proper
// server would never write). It can also hold an answer, as a slow or dead
// line does, and tells when the client gave up during the hold.

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline int ConnectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A port on which nothing listens: bound once, then closed again.
inline int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class HttpServer {
public:
    HttpServer()
    {
        server.set_keep_alive_max_count(100000);
        server.set_keep_alive_timeout(30);
    }
    ~HttpServer() { Stop(); }
    void Start()
    {
        // The client honours the machine's proxy settings; loopback traffic
        // of the tests must never go through one.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        port = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void Stop()
    {
        if (thread_.joinable()) {
            server.stop();
            thread_.join();
        }
    }
    httplib::Server server;
    int port = 0;

private:
    std::thread thread_;
};

class RecordingFront {
public:
    explicit RecordingFront(int backendPort) : backend_(backendPort)
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 16);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        accepter_ = std::thread([this] { AcceptLoop(); });
    }
    ~RecordingFront()
    {
        stop_ = true;
        accepter_.join();
        ::close(listen_);
        std::vector<std::thread> workers;
        {
            std::lock_guard lock(m_);
            workers.swap(workers_);
        }
        for (auto& t : workers)
            t.join();
    }
    RecordingFront(const RecordingFront&) = delete;
    RecordingFront& operator=(const RecordingFront&) = delete;

    int Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }
    // Every complete request (request line, headers, body) since the last Clear.
    std::vector<std::string> Requests()
    {
        std::lock_guard lock(m_);
        return requests_;
    }
    std::string LastRequest()
    {
        std::lock_guard lock(m_);
        return requests_.empty() ? std::string() : requests_.back();
    }
    void Clear()
    {
        std::lock_guard lock(m_);
        requests_.clear();
    }
    // Requests for path are answered with raw, then the connection is closed.
    // With a hold, the first holdAt bytes go at once and the rest after holdMs.
    void SetCanned(const std::string& path, const std::string& raw, std::size_t holdAt = 0, int holdMs = 0)
    {
        std::lock_guard lock(m_);
        canned_[path] = { raw, holdAt, holdMs };
    }
    // Requests for path reach the service only after ms of silence; a client
    // that gives up meanwhile is never forwarded.
    void SetDelay(const std::string& path, int ms)
    {
        std::lock_guard lock(m_);
        delays_[path] = ms;
    }
    // Whether n clients in all closed their connection while an answer was
    // held; waits up to ms, as the front notices a close a little later.
    bool GaveUpReaches(int n, int ms = 2000) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (gaveUp_.load() < n && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return gaveUp_.load() == n;
    }
    // The next request for path loses its answer: the connection closes
    // without a byte of it, or, with statusLine, after the first line of a
    // status. With afterBackend the backend has served the request first;
    // otherwise it never sees it.
    void DropNextAnswer(const std::string& path, bool afterBackend, bool statusLine = false)
    {
        std::lock_guard lock(m_);
        drops_[path] = { afterBackend, statusLine };
    }

private:
    void AcceptLoop()
    {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++accepted_;
            std::lock_guard lock(m_);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    // Length of the first complete request in buf, 0 when it is not complete.
    static std::size_t CompleteRequest(const std::string& buf)
    {
        const std::size_t end = buf.find("\r\n\r\n");
        if (end == std::string::npos)
            return 0;
        std::size_t length = 0;
        std::string head = buf.substr(0, end);
        for (auto& c : head)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::size_t cl = head.find("\r\ncontent-length:");
        if (cl != std::string::npos)
            length = std::stoul(head.substr(cl + 17));
        return buf.size() >= end + 4 + length ? end + 4 + length : 0;
    }

    // Debian's compiled cpp-httplib compresses text answers by itself when
    // the request accepts gzip; the routes write every answer byte themselves,
    // so the server never gets to see that the client accepts gzip.
    static std::string WithoutAcceptEncoding(std::string request)
    {
        const std::size_t end = request.find("\r\n\r\n");
        const std::size_t at = request.find("\r\nAccept-Encoding:");
        if (at != std::string::npos && at < end)
            request.erase(at, request.find("\r\n", at + 2) - at);
        return request;
    }

    // Waits up to ms; true when the client closed its end meanwhile.
    bool ClientGaveUp(int client, int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            pollfd p { client, POLLIN, 0 };
            if (::poll(&p, 1, 10) <= 0)
                continue;
            char c;
            const ssize_t n = ::recv(client, &c, 1, MSG_PEEK);
            if (n <= 0) {
                ++gaveUp_;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    struct Drop {
        bool afterBackend = false;
        bool statusLine = false;
    };

    struct Canned {
        std::string raw;
        std::size_t holdAt = 0;
        int holdMs = 0;
    };

    void Serve(int client)
    {
        int backend = -1;
        std::string buf;
        char chunk[65536];
        while (!stop_) {
            pollfd p[2] = {{client, POLLIN, 0}, {backend, POLLIN, 0}};
            if (::poll(p, backend >= 0 ? 2 : 1, 20) <= 0)
                continue;
            if (p[0].revents) {
                const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                buf.append(chunk, static_cast<std::size_t>(n));
                while (const std::size_t len = CompleteRequest(buf)) {
                    const std::string request = buf.substr(0, len);
                    buf.erase(0, len);
                    const std::size_t sp1 = request.find(' ');
                    const std::size_t sp2 = request.find(' ', sp1 + 1);
                    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
                    Canned canned;
                    bool isCanned = false;
                    std::optional<Drop> drop;
                    int delay = 0;
                    {
                        std::lock_guard lock(m_);
                        requests_.push_back(request);
                        if (auto it = canned_.find(path); it != canned_.end()) {
                            canned = it->second;
                            isCanned = true;
                        }
                        if (auto it = drops_.find(path); it != drops_.end()) {
                            drop = it->second;
                            drops_.erase(it);
                        }
                        if (auto it = delays_.find(path); it != delays_.end())
                            delay = it->second;
                    }
                    if (drop) {
                        if (drop->afterBackend)
                            ServeElsewhere(WithoutAcceptEncoding(request));
                        if (drop->statusLine)
                            WriteAll(client, "HTTP/1.1 200 OK\r\n");
                        goto done;
                    }
                    if (isCanned) {
                        const std::size_t at
                            = canned.holdMs > 0 ? std::min(canned.holdAt, canned.raw.size()) : canned.raw.size();
                        if (WriteAll(client, canned.raw.substr(0, at)) && at < canned.raw.size()
                            && !ClientGaveUp(client, canned.holdMs))
                            WriteAll(client, canned.raw.substr(at));
                        goto done;
                    }
                    if (delay > 0) {
                        if (ClientGaveUp(client, delay))
                            goto done;
                        // The service drops connections idle for long; a held
                        // request goes to it on a fresh one.
                        if (backend >= 0)
                            ::close(backend);
                        backend = -1;
                    }
                    if (backend < 0)
                        backend = ConnectLoopback(backend_);
                    if (backend < 0 || !WriteAll(backend, WithoutAcceptEncoding(request)))
                        goto done;
                }
            }
            if (backend >= 0 && p[1].revents) {
                const ssize_t n = ::recv(backend, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                if (!WriteAll(client, std::string(chunk, static_cast<std::size_t>(n))))
                    break;
            }
        }
    done:
        if (backend >= 0)
            ::close(backend);
        ::shutdown(client, SHUT_RDWR);
        ::close(client);
    }

    // Sends the request to the backend on a connection of its own and reads
    // the whole answer, so that the backend has finished with it.
    void ServeElsewhere(const std::string& request)
    {
        const int fd = ConnectLoopback(backend_);
        if (fd < 0 || !WriteAll(fd, request)) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        std::string answer;
        char chunk[65536];
        for (;;) {
            const std::size_t end = answer.find("\r\n\r\n");
            if (end != std::string::npos && CompleteRequest(answer))
                break;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            answer.append(chunk, static_cast<std::size_t>(n));
        }
        ::close(fd);
    }

    int backend_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> gaveUp_ { 0 };
    std::thread accepter_;
    std::mutex m_;
    std::vector<std::thread> workers_;
    std::vector<std::string> requests_;
    std::map<std::string, Canned> canned_;
    std::map<std::string, int> delays_;
    std::map<std::string, Drop> drops_;
};

}  // namespace testsupport
