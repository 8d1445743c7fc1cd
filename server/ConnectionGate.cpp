#include "ConnectionGate.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace demo {

namespace {

using Clock = std::chrono::steady_clock;

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameIs(std::string_view name, std::string_view wanted)
{
    return name.size() == wanted.size() &&
           std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) { return LowerAscii(a) == b; });
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

RequestHead Refused(int status, std::string reason)
{
    RequestHead h;
    h.refusal = status;
    h.reason = std::move(reason);
    return h;
}

const char* StatusText(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Service Unavailable";
    }
}

// Best effort on a non-blocking socket: the few bytes of a refusal fit into
// any socket buffer.
void SendSmall(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The stream the library reads one request from (the bytes the gate
// gathered) and writes its answer to (the socket, each write waiting at most
// the write limit).
class GateStream final : public httplib::Stream {
public:
    GateStream(int fd, std::string_view request, std::chrono::milliseconds writeLimit,
               const std::atomic<bool>& stopping)
        : fd_(fd), request_(request), writeLimit_(writeLimit), stopping_(stopping)
    {
    }

    bool is_readable() const override { return pos_ < request_.size(); }
    bool is_writable() const override { return !stopping_ && WaitWritable(); }
    ssize_t read(char* ptr, size_t size) override
    {
        const std::size_t n = std::min(size, request_.size() - pos_);
        std::memcpy(ptr, request_.data() + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(const char* ptr, size_t size) override
    {
        std::size_t done = 0;
        while (done < size) {
            if (stopping_)
                return -1;
            const ssize_t n = ::send(fd_, ptr + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitWritable())
                continue;
            return -1;
        }
        return static_cast<ssize_t>(done);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(&::getpeername, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Address(&::getsockname, ip, port); }
    socket_t socket() const override { return fd_; }

private:
    // Waits in short steps, so that stopping the service does not wait for
    // a client that has stopped reading.
    bool WaitWritable() const
    {
        const auto until = Clock::now() + writeLimit_;
        while (!stopping_) {
            pollfd p{fd_, POLLOUT, 0};
            const int rc = ::poll(&p, 1, 100);
            if (rc > 0)
                return (p.revents & POLLOUT) && !(p.revents & (POLLERR | POLLHUP));
            if ((rc < 0 && errno != EINTR) || Clock::now() >= until)
                return false;
        }
        return false;
    }
    void Address(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const
    {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        ip.clear();
        port = 0;
        if (get(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        char text[INET6_ADDRSTRLEN] = {};
        if (a.ss_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
            ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
            port = ntohs(v4->sin_port);
        } else if (a.ss_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
            ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
            port = ntohs(v6->sin6_port);
        }
        ip = text;
    }

    int fd_;
    std::string_view request_;
    std::size_t pos_ = 0;
    std::chrono::milliseconds writeLimit_;
    const std::atomic<bool>& stopping_;
};

}  // namespace

RequestHead CheckRequestHead(std::string_view head, std::size_t maxHeaderLines, std::size_t maxBody)
{
    RequestHead result;
    bool sawLength = false;
    std::size_t lines = 0;
    std::size_t pos = head.find("\r\n");
    if (pos == std::string_view::npos)
        return Refused(400, "the request head does not end in CR LF");
    if (head.substr(0, pos).find_first_of("\r\n") != std::string_view::npos)
        return Refused(400, "a bare CR or LF in the request line");
    pos += 2;
    while (pos < head.size()) {
        const std::size_t end = head.find("\r\n", pos);
        if (end == std::string_view::npos)
            return Refused(400, "the request head does not end in CR LF");
        const std::string_view line = head.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty())
            break;
        if (++lines > maxHeaderLines)
            return Refused(431, "more than " + std::to_string(maxHeaderLines) + " header lines");
        if (line.find_first_of("\r\n") != std::string_view::npos)
            return Refused(400, "a bare CR or LF in a header line");
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 || line[colon - 1] == ' ' || line[colon - 1] == '\t')
            return Refused(400, "a malformed header line");
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (NameIs(name, "transfer-encoding"))
            return Refused(411, "Transfer-Encoding is not accepted; send the body with one Content-Length");
        if (NameIs(name, "content-length")) {
            if (sawLength)
                return Refused(400, "more than one Content-Length");
            sawLength = true;
            if (value.empty() || value.size() > 18 ||
                !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return Refused(400, "Content-Length is not a number");
            std::size_t n = 0;
            for (const char c : value)
                n = n * 10 + static_cast<std::size_t>(c - '0');
            if (n > maxBody)
                return Refused(413, "the body is larger than " + std::to_string(maxBody) + " bytes");
            result.contentLength = n;
        } else if (NameIs(name, "expect")) {
            result.expectsContinue = value.size() == 12 && NameIs(value, "100-continue");
        }
    }
    return result;
}

struct ConnectionGate::Impl {
    enum class State {
        Waiting,   // no byte of the next request yet
        Reading,   // part of a request has arrived
        Draining,  // refused: the rest is read and dropped before closing
    };

    struct Connection {
        int fd = -1;
        State state = State::Waiting;
        Clock::time_point deadline;
        Clock::time_point opened;
        bool fresh = true;  // no request answered yet
        std::size_t answered = 0;
        std::string buffer;
        std::size_t scanned = 0;     // bytes of buffer searched for the head's end
        std::size_t lines = 0;       // line ends among them
        std::size_t headLength = 0;  // 0 until the head is complete
        std::size_t needed = 0;      // head and body
        std::size_t drained = 0;
    };

    struct Job {
        Connection conn;
        std::string request;
    };

    GateLimits limits;
    Handler handler;
    int listenFd = -1;
    int port = 0;
    int epollFd = -1;
    int wakeFd = -1;
    int spareFd = -1;  // given up when descriptors run out, to refuse one connection
    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::vector<std::thread> workers;

    // Owned by the accepting thread.
    std::unordered_map<int, Connection> conns;
    std::set<std::pair<Clock::time_point, int>> deadlines;
    std::size_t buffered = 0;
    std::size_t busy = 0;  // connections with the workers
    std::size_t maxConnections = 0;

    std::mutex lock;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::vector<Connection> returned;

    void SetDeadline(Connection& c, Clock::time_point when)
    {
        deadlines.erase({c.deadline, c.fd});
        c.deadline = when;
        deadlines.insert({when, c.fd});
    }

    void Watch(int fd)
    {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        ::epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev);
    }

    void Forget(Connection& c)
    {
        deadlines.erase({c.deadline, c.fd});
        buffered -= std::min(buffered, c.buffer.size());
        ::epoll_ctl(epollFd, EPOLL_CTL_DEL, c.fd, nullptr);
    }

    void Close(int fd)
    {
        const auto it = conns.find(fd);
        if (it == conns.end())
            return;
        Forget(it->second);
        ::close(fd);
        conns.erase(it);
    }

    // Answers with a status of its own and drops the rest of what the client
    // sends for a short while, so that it can read the answer before the
    // connection closes; the request's bytes are let go at once.
    void Refuse(Connection& c, int status, const std::string& reason)
    {
        const std::string body = reason + "\n";
        SendSmall(c.fd, "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) +
                            "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        ::shutdown(c.fd, SHUT_WR);
        buffered -= std::min(buffered, c.buffer.size());
        std::string().swap(c.buffer);
        c.state = State::Draining;
        SetDeadline(c, Clock::now() + std::chrono::seconds(2));
    }

    void Accept()
    {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if ((errno == EMFILE || errno == ENFILE) && (EvictIdle() || RefuseOne()))
                    continue;
                return;
            }
            if (conns.size() + busy >= maxConnections && !EvictIdle()) {
                ::close(fd);
                continue;
            }
            // Headers and body of an answer leave in separate writes; without
            // TCP_NODELAY the second one waits for the client's delayed ACK
            // (some 40 ms a call).
            const int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            Connection c;
            c.fd = fd;
            c.opened = Clock::now();
            auto& added = conns.emplace(fd, std::move(c)).first->second;
            Watch(fd);
            SetDeadline(added, added.opened + limits.firstByte);
        }
    }

    // Makes room by closing the waiting connection nearest to its deadline,
    // which would be closed soon anyway.
    bool EvictIdle()
    {
        for (const auto& [when, fd] : deadlines) {
            const auto it = conns.find(fd);
            if (it != conns.end() && it->second.state == State::Waiting) {
                Close(fd);
                return true;
            }
        }
        return false;
    }

    bool RefuseOne()
    {
        if (spareFd < 0)
            return false;
        ::close(spareFd);
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        return fd >= 0;
    }

    void Readable(Connection& c)
    {
        char chunk[64 * 1024];
        if (c.state == State::Draining) {
            const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            c.drained += n > 0 ? static_cast<std::size_t>(n) : 0;
            if (n <= 0 || c.drained > limits.maxBody + limits.maxHeaderBytes)
                Close(c.fd);
            return;
        }
        // Never more than the head limit, or than the rest of this request:
        // what follows stays in the socket until this request is answered.
        const std::size_t want =
            c.headLength == 0 ? limits.maxHeaderBytes + 4 - std::min(c.buffer.size(), limits.maxHeaderBytes)
                              : c.needed - c.buffer.size();
        const std::size_t size = std::min(want, sizeof chunk);
        if (buffered + size > limits.maxBufferedBytes) {
            Refuse(c, 503, "the service is receiving too much at once; try again");
            return;
        }
        const ssize_t n = ::recv(c.fd, chunk, size, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            Close(c.fd);
            return;
        }
        if (c.state == State::Waiting) {
            c.state = State::Reading;
            SetDeadline(c, (c.fresh ? c.opened : Clock::now()) + limits.wholeRequest);
        }
        c.buffer.append(chunk, static_cast<std::size_t>(n));
        buffered += static_cast<std::size_t>(n);
        Advance(c);
    }

    void Advance(Connection& c)
    {
        if (c.headLength == 0) {
            // Only the new bytes are searched: a client sending one byte at
            // a time must not make every read scan the whole head again.
            const std::size_t from = c.scanned >= 3 ? c.scanned - 3 : 0;
            const std::size_t end = c.buffer.find("\r\n\r\n", from);
            if (end == std::string::npos || end + 4 > limits.maxHeaderBytes) {
                const auto fresh = c.buffer.begin() + static_cast<std::ptrdiff_t>(c.scanned);
                c.lines += static_cast<std::size_t>(std::count(fresh, c.buffer.end(), '\n'));
                c.scanned = c.buffer.size();
                if (c.buffer.size() > limits.maxHeaderBytes)
                    Refuse(c, 431, "the request head is larger than " + std::to_string(limits.maxHeaderBytes) +
                                       " bytes");
                else if (c.lines > limits.maxHeaderLines + 1)  // the request line and the header lines
                    Refuse(c, 431, "more than " + std::to_string(limits.maxHeaderLines) + " header lines");
                return;
            }
            const RequestHead head =
                CheckRequestHead(std::string_view(c.buffer).substr(0, end + 4), limits.maxHeaderLines, limits.maxBody);
            if (head.refusal != 0) {
                Refuse(c, head.refusal, head.reason);
                return;
            }
            c.headLength = end + 4;
            c.needed = c.headLength + head.contentLength;
            if (head.expectsContinue && c.buffer.size() < c.needed)
                SendSmall(c.fd, "HTTP/1.1 100 Continue\r\n\r\n");
        }
        if (c.buffer.size() >= c.needed)
            Dispatch(c);
    }

    void Dispatch(Connection& c)
    {
        Forget(c);
        Job job;
        job.request = c.buffer.substr(0, c.needed);
        // Bytes of a pipelined next request wait with the connection.
        c.buffer.erase(0, c.needed);
        c.buffer.shrink_to_fit();
        c.headLength = c.needed = c.scanned = c.lines = 0;
        job.conn = std::move(c);
        conns.erase(job.conn.fd);
        ++busy;
        {
            std::lock_guard guard(lock);
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }

    // Connections the workers kept open wait here for their next request.
    void TakeBack()
    {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd, &count, sizeof count);
        std::vector<Connection> back;
        {
            std::lock_guard guard(lock);
            back.swap(returned);
        }
        for (auto& c : back) {
            --busy;
            if (c.fd < 0)
                continue;
            c.state = State::Waiting;
            c.fresh = false;
            const int fd = c.fd;
            auto& kept = conns.emplace(fd, std::move(c)).first->second;
            buffered += kept.buffer.size();
            Watch(fd);
            SetDeadline(kept, Clock::now() + limits.keepAlive);
            if (!kept.buffer.empty()) {
                kept.state = State::Reading;
                SetDeadline(kept, Clock::now() + limits.wholeRequest);
                Advance(kept);
            }
        }
    }

    void Expire()
    {
        const auto now = Clock::now();
        while (!deadlines.empty() && deadlines.begin()->first <= now) {
            const int fd = deadlines.begin()->second;
            Connection& c = conns.at(fd);
            if (c.state == State::Reading)
                Refuse(c, 408, "the request did not arrive whole in time");
            else
                Close(fd);
        }
    }

    void AcceptLoop()
    {
        epoll_event events[256];
        while (!stopping) {
            int timeout = -1;
            if (!deadlines.empty()) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadlines.begin()->first - Clock::now());
                timeout = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 1000));
            }
            const int n = ::epoll_wait(epollFd, events, 256, timeout);
            for (int i = 0; i < n && !stopping; ++i) {
                const int fd = events[i].data.fd;
                if (fd == listenFd) {
                    Accept();
                } else if (fd == wakeFd) {
                    TakeBack();
                } else {
                    const auto it = conns.find(fd);
                    if (it != conns.end())
                        Readable(it->second);
                }
            }
            Expire();
        }
    }

    void Work()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock guard(lock);
                wake.wait(guard, [&] { return stopping || !jobs.empty(); });
                if (stopping)
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            Connection& c = job.conn;
            ++c.answered;
            GateStream stream(c.fd, job.request, limits.write, stopping);
            const bool last = c.answered >= limits.maxRequestsPerConnection;
            bool keep = false;
            try {
                keep = handler(stream, last) && !last && !stopping;
            } catch (...) {
                keep = false;
            }
            std::string().swap(job.request);
            if (!keep) {
                ::shutdown(c.fd, SHUT_WR);
                ::close(c.fd);
                std::lock_guard guard(lock);
                returned.push_back(Connection{});  // only counts down `busy`
            } else {
                std::lock_guard guard(lock);
                returned.push_back(std::move(c));
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
        }
    }
};

ConnectionGate::ConnectionGate(GateLimits limits, Handler handler) : impl_(std::make_unique<Impl>())
{
    impl_->limits = limits;
    impl_->handler = std::move(handler);
}

ConnectionGate::~ConnectionGate()
{
    Stop();
}

bool ConnectionGate::Listen(const std::string& host, int port)
{
    Impl& d = *impl_;
    if (d.listenFd >= 0)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* a = found; a && d.listenFd < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        const int yes = 1, no = 0;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (a->ai_family == AF_INET6)
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, d.limits.backlog) != 0) {
            ::close(fd);
            continue;
        }
        d.listenFd = fd;
    }
    ::freeaddrinfo(found);
    if (d.listenFd < 0)
        return false;
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    ::getsockname(d.listenFd, reinterpret_cast<sockaddr*>(&bound), &len);
    d.port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return true;
}

int ConnectionGate::Port() const
{
    return impl_->port;
}

int ConnectionGate::ListeningSocket() const
{
    return impl_->listenFd;
}

bool ConnectionGate::Stopping() const
{
    return impl_->stopping;
}

void ConnectionGate::Start()
{
    Impl& d = *impl_;
    if (d.listenFd < 0 || d.acceptor.joinable())
        return;
    // Room for the database files and whatever else the process opens.
    rlimit files{};
    std::size_t room = d.limits.maxConnections;
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        room = files.rlim_cur > 256 ? static_cast<std::size_t>(files.rlim_cur) - 200 : 32;
    d.maxConnections = std::max<std::size_t>(1, std::min(d.limits.maxConnections, room));
    d.epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    d.wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    d.spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    d.Watch(d.listenFd);
    d.Watch(d.wakeFd);
    for (int i = 0; i < d.limits.workers; ++i)
        d.workers.emplace_back([&d] { d.Work(); });
    d.acceptor = std::thread([&d] { d.AcceptLoop(); });
}

void ConnectionGate::Stop()
{
    Impl& d = *impl_;
    {
        std::lock_guard guard(d.lock);
        d.stopping = true;
    }
    d.wake.notify_all();
    if (d.wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(d.wakeFd, &one, sizeof one);
    }
    if (d.acceptor.joinable())
        d.acceptor.join();
    for (auto& w : d.workers)
        if (w.joinable())
            w.join();
    d.workers.clear();
    for (auto& [fd, c] : d.conns)
        ::close(fd);
    d.conns.clear();
    d.deadlines.clear();
    for (auto& job : d.jobs)
        ::close(job.conn.fd);
    d.jobs.clear();
    for (auto& c : d.returned)
        if (c.fd >= 0)
            ::close(c.fd);
    d.returned.clear();
    for (int* fd : {&d.listenFd, &d.epollFd, &d.wakeFd, &d.spareFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

}  // namespace demo
