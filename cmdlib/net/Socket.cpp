// Stream socket helpers for the link transports, on the backend's socket calls.
#include "Socket.h"

#include <chrono>
#include <cstring>

namespace quorvex::link {
namespace {

constexpr int kListenBacklog = 16;

// Resolves a TCP endpoint to stream addresses; null with *error on failure.
// The caller frees the list with freeaddrinfo.
addrinfo* ResolveStream(const Endpoint& endpoint, bool passive, const std::string& name,
                        std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (passive) hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (!sys::Startup(error)) return nullptr;
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
        UniqueFd fd(sys::OpenSocket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!fd.valid()) {
            err = sys::LastError();
            continue;
        }
        if (ConnectWithin(fd.get(), a->ai_addr, a->ai_addrlen, deadline, &err)) {
            freeaddrinfo(found);
            // Commands are small frames answered one by one; waiting to
            // coalesce them would only add latency.
            const int one = 1;
            setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
                       sizeof(one));
            return fd;
        }
    }
    freeaddrinfo(found);
    *error = ErrnoMessage(name + ": connect", err);
    return UniqueFd();
}

UniqueFd ListenTcp(const Endpoint& endpoint, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    addrinfo* found = ResolveStream(endpoint, true, name, error);
    if (found == nullptr) return UniqueFd();
    int err = 0;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        UniqueFd fd(sys::OpenSocket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!fd.valid()) {
            err = sys::LastError();
            continue;
        }
        // A restarted simulator must get its port back while old connections
        // of the previous run linger in TIME_WAIT.
        const int one = 1;
        setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one),
                   sizeof(one));
        if (bind(fd.get(), a->ai_addr, a->ai_addrlen) == 0 &&
            listen(fd.get(), kListenBacklog) == 0) {
            freeaddrinfo(found);
            return fd;
        }
        err = sys::LastError();
    }
    freeaddrinfo(found);
    *error = ErrnoMessage(name + ": listen", err);
    return UniqueFd();
}

}  // namespace

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) sys::CloseSocket(fd_);
    fd_ = fd;
}

std::string ErrnoMessage(const std::string& context, int err) {
    return context + ": " + sys::ErrorText(err);
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Non-blocking, so that an unreachable host costs at most the time-out
// instead of the system's minutes-long connect limit.
bool ConnectWithin(int fd, const sockaddr* address, socklen_t size, Clock::time_point deadline,
                   int* err) {
    if (!sys::SetBlocking(fd, false)) {
        *err = sys::LastError();
        return false;
    }
    if (connect(fd, address, size) != 0) {
        if (!sys::ConnectPending(sys::LastError())) {
            *err = sys::LastError();
            return false;
        }
        pollfd waiting = sys::PollEntry(fd, POLLOUT);
        int ready;
        do {
            ready = sys::Poll(&waiting, 1, MillisecondsLeft(deadline));
        } while (ready < 0 && sys::Interrupted(sys::LastError()));
        if (ready <= 0) {
            *err = ready == 0 ? sys::TimedOutError() : sys::LastError();
            return false;
        }
        socklen_t length = sizeof(*err);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(err), &length) != 0) {
            *err = sys::LastError();
        }
        if (*err != 0) return false;
    }
    if (!sys::SetBlocking(fd, true)) {
        *err = sys::LastError();
        return false;
    }
    return true;
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
        const long sent = sys::Send(fd, data, size);
        if (sent < 0) {
            if (sys::Interrupted(sys::LastError())) continue;
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool SendAllv(int fd, iovec* pieces, int count) {
    while (count > 0) {
        const long sent = sys::SendVector(fd, pieces, count);
        if (sent < 0) {
            if (sys::Interrupted(sys::LastError())) continue;
            return false;
        }
        // Skip what went out: whole pieces, then the start of the next one.
        auto left = static_cast<std::size_t>(sent);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->iov_base = static_cast<std::uint8_t*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
    return true;
}

bool WaitReadable(int fd, int timeout_ms) {
    pollfd waiting = sys::PollEntry(fd, POLLIN);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const int ready = sys::Poll(&waiting, 1, MillisecondsLeft(deadline));
        if (ready >= 0) return ready > 0;
        if (!sys::Interrupted(sys::LastError())) return false;
    }
}

}  // namespace quorvex::link
