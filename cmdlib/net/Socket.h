// Thin helpers over stream sockets, shared by the client transport and the
// server: owning descriptors, connecting and listening on an endpoint,
// whole-buffer sends, and the one place where a socket error becomes a
// message. The operating system's calls come from SocketApi.h of the
// backend folder (posix/ or win32/) the build chose.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Endpoint.h"
#include "SocketApi.h"

namespace quorvex::link {

// Owns a file descriptor; closes it when destroyed.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

  private:
    int fd_ = -1;
};

// "context: the system's text for err" (errno, or a Winsock code on Windows).
std::string ErrnoMessage(const std::string& context, int err);

// Connects to the endpoint, giving up after `timeout_ms`. Returns a blocking
// socket (TCP_NODELAY set for tcp) or an invalid fd with *error set.
UniqueFd ConnectTo(const Endpoint& endpoint, std::uint32_t timeout_ms, std::string* error);

// Binds and listens. A tcp port of 0 picks a free one; a unix path whose old
// socket file nobody listens on any more is replaced. Returns the listening
// socket or an invalid fd with *error set.
UniqueFd ListenOn(const Endpoint& endpoint, std::string* error);

// The address a listening socket is bound to, in endpoint form.
Endpoint BoundEndpoint(int fd, const Endpoint& requested);

// Writes the whole buffer, retrying after interrupts and short writes. Never
// raises SIGPIPE. False when the peer is gone or the socket was shut down.
bool SendAll(int fd, const std::uint8_t* data, std::size_t size);

// The same for several pieces sent as one, in order, without joining them first.
bool SendAllv(int fd, iovec* pieces, int count);

// Waits until fd is readable or `timeout_ms` passed. True when readable.
bool WaitReadable(int fd, int timeout_ms);

// Shared with the backend's Unix-domain half (UnixSocket.cpp).
using Clock = std::chrono::steady_clock;
int MillisecondsLeft(Clock::time_point deadline);
// Connects fd so that an unreachable peer costs at most until `deadline`;
// false with *err (a socket error code) otherwise.
bool ConnectWithin(int fd, const sockaddr* address, socklen_t size, Clock::time_point deadline,
                   int* err);
// Unix-domain sockets, where the system has them; elsewhere both refuse
// with a message that says so.
UniqueFd ConnectUnix(const Endpoint& endpoint, Clock::time_point deadline, std::string* error);
UniqueFd ListenUnix(const Endpoint& endpoint, std::string* error);

}  // namespace quorvex::link
