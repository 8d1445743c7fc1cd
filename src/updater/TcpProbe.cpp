#include "TcpProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>

namespace order {

namespace {

    struct AddrDeleter {
        void operator()(addrinfo* a) const { freeaddrinfo(a); }
    };

    struct Fd {
        int fd = -1;
        ~Fd()
        {
            if (fd >= 0)
                ::close(fd);
        }
    };

    bool ConnectOne(const addrinfo* ai, int timeoutMs)
    {
        Fd s { ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol) };
        if (s.fd < 0)
            return false;
        if (::connect(s.fd, ai->ai_addr, ai->ai_addrlen) == 0)
            return true;
        if (errno != EINPROGRESS)
            return false;
        pollfd p { s.fd, POLLOUT, 0 };
        int rc;
        do {
            rc = ::poll(&p, 1, timeoutMs);
        } while (rc < 0 && errno == EINTR);
        if (rc <= 0)
            return false;
        int err = 0;
        socklen_t len = sizeof err;
        return ::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
    }

} // namespace

bool TcpReachable(const std::string& host, std::uint16_t port, int timeoutMs)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* raw = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &raw) != 0 || !raw)
        return false;
    std::unique_ptr<addrinfo, AddrDeleter> list(raw);
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        if (ConnectOne(ai, timeoutMs))
            return true;
    }
    return false;
}

} // namespace order
