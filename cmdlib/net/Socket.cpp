// POSIX stream socket helpers for the link transports.
#include "Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace quorvex::link {
namespace {

constexpr int kListenBacklog = 16;

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

sockaddr_un UnixAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());  // length checked when parsed
    return address;
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// Connects a non-blocking socket so that an unreachable host costs at most
// the time-out instead of the system's minutes-long connect limit.
bool ConnectWithin(int fd, const sockaddr* address, socklen_t size, Clock::time_point deadline,
                   int* err) {
    if (!SetBlocking(fd, false)) {
        *err = errno;
        return false;
    }
    if (connect(fd, address, size) != 0) {
        if (errno != EINPROGRESS) {
            *err = errno;
            return false;
        }
        pollfd waiting{fd, POLLOUT, 0};
        int ready;
        do {
            ready = poll(&waiting, 1, MillisecondsLeft(deadline));
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0) {
            *err = ready == 0 ? ETIMEDOUT : errno;
            return false;
        }
        socklen_t length = sizeof(*err);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, err, &length) != 0) *err = errno;
        if (*err != 0) return false;
    }
    if (!SetBlocking(fd, true)) {
        *err = errno;
        return false;
    }
    return true;
}

// Resolves a TCP endpoint to stream addresses; null with *error on failure.
// The caller frees the list with freeaddrinfo.
addrinfo* ResolveStream(const Endpoint& endpoint, bool passive, const std::string& name,
                        std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (passive) hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &found);
    if (status != 0) {
        *error = name + ": " + gai_strerror(status);
        return nullptr;
    }
    return found;
}

UniqueFd ConnectTcp(const Endpoint& endpoint, Clock::time_point deadline, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    addrinfo* found = ResolveStream(endpoint, false, name, error);
    if (found == nullptr) return UniqueFd();
    int err = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        UniqueFd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        if (!fd.valid()) {
            err = errno;
            continue;
        }
        if (ConnectWithin(fd.get(), a->ai_addr, a->ai_addrlen, deadline, &err)) {
            freeaddrinfo(found);
            // Commands are small frames answered one by one; waiting to
            // coalesce them would only add latency.
            const int one = 1;
            setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            return fd;
        }
    }
    freeaddrinfo(found);
    *error = ErrnoMessage(name + ": connect", err);
    return UniqueFd();
}

UniqueFd ConnectUnix(const Endpoint& endpoint, Clock::time_point deadline, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        *error = ErrnoMessage(name + ": socket", errno);
        return UniqueFd();
    }
    const sockaddr_un address = UnixAddress(endpoint.path);
    int err = 0;
    if (!ConnectWithin(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address),
                       deadline, &err)) {
        *error = ErrnoMessage(name + ": connect", err);
        return UniqueFd();
    }
    return fd;
}

UniqueFd ListenTcp(const Endpoint& endpoint, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    addrinfo* found = ResolveStream(endpoint, true, name, error);
    if (found == nullptr) return UniqueFd();
    int err = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        UniqueFd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        if (!fd.valid()) {
            err = errno;
            continue;
        }
        // A restarted simulator must get its port back while old connections
        // of the previous run linger in TIME_WAIT.
        const int one = 1;
        setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        if (bind(fd.get(), a->ai_addr, a->ai_addrlen) == 0 &&
            listen(fd.get(), kListenBacklog) == 0) {
            freeaddrinfo(found);
            return fd;
        }
        err = errno;
    }
    freeaddrinfo(found);
    *error = ErrnoMessage(name + ": listen", err);
    return UniqueFd();
}

// A socket file left by a server that died is in the way of bind; one that a
// live server still answers on is not ours to take.
bool ClearStaleUnixSocket(const Endpoint& endpoint, std::string* error) {
    struct stat info {};
    if (lstat(endpoint.path.c_str(), &info) != 0) return true;
    const std::string name = FormatEndpoint(endpoint);
    if (!S_ISSOCK(info.st_mode)) {
        *error = name + ": path exists and is not a socket";
        return false;
    }
    std::string ignored;
    if (ConnectUnix(endpoint, Clock::now() + std::chrono::milliseconds(200), &ignored).valid()) {
        *error = name + ": another server is listening there";
        return false;
    }
    if (unlink(endpoint.path.c_str()) != 0) {
        *error = ErrnoMessage(name + ": remove stale socket", errno);
        return false;
    }
    return true;
}

UniqueFd ListenUnix(const Endpoint& endpoint, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    if (!ClearStaleUnixSocket(endpoint, error)) return UniqueFd();
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        *error = ErrnoMessage(name + ": socket", errno);
        return UniqueFd();
    }
    const sockaddr_un address = UnixAddress(endpoint.path);
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd.get(), kListenBacklog) != 0) {
        *error = ErrnoMessage(name + ": listen", errno);
        return UniqueFd();
    }
    return fd;
}

}  // namespace

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
}

std::string ErrnoMessage(const std::string& context, int err) {
    return context + ": " + std::strerror(err);
}

UniqueFd ConnectTo(const Endpoint& endpoint, std::uint32_t timeout_ms, std::string* error) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    return endpoint.kind == Endpoint::Kind::kTcp ? ConnectTcp(endpoint, deadline, error)
                                                 : ConnectUnix(endpoint, deadline, error);
}

UniqueFd ListenOn(const Endpoint& endpoint, std::string* error) {
    return endpoint.kind == Endpoint::Kind::kTcp ? ListenTcp(endpoint, error)
                                                 : ListenUnix(endpoint, error);
}

Endpoint BoundEndpoint(int fd, const Endpoint& requested) {
    Endpoint bound = requested;
    if (requested.kind != Endpoint::Kind::kTcp) return bound;
    sockaddr_storage address{};
    socklen_t size = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return bound;
    char host[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, host, sizeof(host));
        bound.port = std::to_string(ntohs(v4->sin_port));
        bound.host = host;
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof(host));
        bound.port = std::to_string(ntohs(v6->sin6_port));
        bound.host = host;
    }
    return bound;
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool SendAllv(int fd, iovec* pieces, int count) {
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = static_cast<std::size_t>(count);
    while (message.msg_iovlen > 0) {
        const ssize_t sent = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        // Skip what went out: whole pieces, then the start of the next one.
        auto left = static_cast<std::size_t>(sent);
        while (message.msg_iovlen > 0 && left >= message.msg_iov->iov_len) {
            left -= message.msg_iov->iov_len;
            ++message.msg_iov;
            --message.msg_iovlen;
        }
        if (message.msg_iovlen > 0) {
            message.msg_iov->iov_base =
                static_cast<std::uint8_t*>(message.msg_iov->iov_base) + left;
            message.msg_iov->iov_len -= left;
        }
    }
    return true;
}

bool WaitReadable(int fd, int timeout_ms) {
    pollfd waiting{fd, POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
        if (ready >= 0) return ready > 0;
        if (errno != EINTR) return false;
    }
}

}  // namespace quorvex::link
