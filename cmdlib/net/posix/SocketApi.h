// Socket calls of the link transports on POSIX: the few places where
// operating systems differ (descriptor inheritance, SIGPIPE, error codes,
// non-blocking mode, the stop wake-up), behind one set of names. The win32/
// folder has the same names on Winsock; the build picks one folder.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace quorvex::link::sys {

constexpr bool kUnixSockets = true;
// Longest unix: path; sun_path needs room for the terminating NUL.
constexpr std::size_t kUnixPathMax = sizeof(sockaddr_un::sun_path) - 1;

inline bool Startup(std::string* /*error*/) {
    return true;
}

inline int LastError() {
    return errno;
}
inline bool Interrupted(int err) {
    return err == EINTR;
}
inline bool WouldBlock(int err) {
    return err == EAGAIN || err == EWOULDBLOCK;
}
inline bool ConnectPending(int err) {
    return err == EINPROGRESS;
}
inline bool OutOfResources(int err) {
    return err == EMFILE || err == ENFILE || err == ENOMEM || err == ENOBUFS;
}
inline int TimedOutError() {
    return ETIMEDOUT;
}
inline std::string ErrorText(int err) {
    return std::strerror(err);
}

inline int OpenSocket(int family, int type, int protocol) {
    return ::socket(family, type | SOCK_CLOEXEC, protocol);
}
inline int AcceptSocket(int listener) {
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}
inline int CloseSocket(int fd) {
    return ::close(fd);
}
inline pollfd PollEntry(int fd, short events) {
    return pollfd{fd, events, 0};
}
inline int Poll(pollfd* fds, std::size_t count, int timeout_ms) {
    return ::poll(fds, count, timeout_ms);
}
inline bool SetBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}
// Bounds every blocking receive to `timeout_us` (more than 0).
inline bool SetReceiveTimeout(int fd, long long timeout_us) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout_us / 1000000);
    tv.tv_usec = static_cast<suseconds_t>(timeout_us % 1000000);
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) == 0;
}

// A peer that vanished makes a send fail instead of raising SIGPIPE.
inline long Send(int fd, const void* data, std::size_t size) {
    return ::send(fd, data, size, MSG_NOSIGNAL);
}
// Sends what fits without waiting.
inline long SendNow(int fd, const void* data, std::size_t size) {
    return ::send(fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
}
inline long SendVector(int fd, iovec* pieces, int count) {
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = static_cast<std::size_t>(count);
    return ::sendmsg(fd, &message, MSG_NOSIGNAL);
}
inline long Receive(int fd, void* data, std::size_t size) {
    return ::recv(fd, data, size, 0);
}
// Receives what is there without waiting.
inline long ReceiveNow(int fd, void* data, std::size_t size) {
    return ::recv(fd, data, size, MSG_DONTWAIT);
}
inline void ShutdownBoth(int fd) {
    ::shutdown(fd, SHUT_RDWR);
}

// A pair of descriptors for waking a poll loop: writing to the second makes
// the first readable. Both non-blocking.
inline bool MakeWakePair(int* read_end, int* write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    *read_end = fds[0];
    *write_end = fds[1];
    return true;
}
// Only write(2): safe inside a signal handler.
inline void Wake(int write_end) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(write_end, &byte, 1);
}

inline int RemoveSocketFile(const std::string& path) {
    return ::unlink(path.c_str());
}
}  // namespace quorvex::link::sys
