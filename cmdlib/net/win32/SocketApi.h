// Socket calls of the link transports on Winsock, under the names the posix/
// folder gives them. Socket handles are kernel handles, whose values fit in
// an int, so the shared code keeps its int descriptors. Unix domain sockets
// are not offered here: a unix: endpoint is refused when it is parsed.
#pragma once

// clang-format off
#include "platform/os/sdk.h"
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <cerrno>
#include <cstddef>
#include <mutex>
#include <string>

// The scatter list of the shared code; sent piece by piece.
struct iovec {
    void* iov_base;
    std::size_t iov_len;
};

namespace quorvex::link::sys {

constexpr bool kUnixSockets = false;
// The bound a unix: path is parsed against, as where Windows has them.
constexpr std::size_t kUnixPathMax = 107;

// Winsock needs one WSAStartup per process before any other call.
inline bool Startup(std::string* error) {
    static int status = -1;
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        status = WSAStartup(MAKEWORD(2, 2), &data);
    });
    if (status != 0 && error != nullptr)
        *error = "Winsock start-up failed (" + std::to_string(status) + ")";
    return status == 0;
}

inline int LastError() {
    return WSAGetLastError();
}
inline bool Interrupted(int err) {
    return err == WSAEINTR;
}
// A receive whose SO_RCVTIMEO ran out fails with WSAETIMEDOUT where POSIX
// gives EAGAIN: both only mean that nothing came in time.
inline bool WouldBlock(int err) {
    return err == WSAEWOULDBLOCK || err == WSAETIMEDOUT;
}
inline bool ConnectPending(int err) {
    return err == WSAEWOULDBLOCK || err == WSAEINPROGRESS;
}
inline bool OutOfResources(int err) {
    return err == WSAEMFILE || err == WSAENOBUFS;
}
inline int TimedOutError() {
    return WSAETIMEDOUT;
}
inline std::string ErrorText(int err) {
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(err), 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' ||
                     text[n - 1] == '.')) {
        --n;
    }
    return n > 0 ? std::string(text, n) : "Winsock error " + std::to_string(err);
}

inline int ToInt(SOCKET s) {
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
inline SOCKET ToSocket(int fd) {
    return static_cast<SOCKET>(static_cast<unsigned int>(fd));
}

inline int OpenSocket(int family, int type, int protocol) {
    if (!Startup(nullptr)) return -1;
    return ToInt(WSASocketW(family, type, protocol, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
}
inline int AcceptSocket(int listener) {
    return ToInt(::accept(ToSocket(listener), nullptr, nullptr));
}
inline int CloseSocket(int fd) {
    return ::closesocket(ToSocket(fd));
}
inline pollfd PollEntry(int fd, short events) {
    pollfd entry{};
    entry.fd = ToSocket(fd);
    entry.events = events;
    return entry;
}
inline int Poll(pollfd* fds, std::size_t count, int timeout_ms) {
    return ::WSAPoll(fds, static_cast<ULONG>(count), timeout_ms);
}
inline bool SetBlocking(int fd, bool blocking) {
    u_long nonblocking = blocking ? 0 : 1;
    return ::ioctlsocket(ToSocket(fd), FIONBIO, &nonblocking) == 0;
}
// Whole milliseconds here, and at least one: 0 would mean no limit.
inline bool SetReceiveTimeout(int fd, long long timeout_us) {
    const DWORD ms = timeout_us < 1000 ? 1 : static_cast<DWORD>(timeout_us / 1000);
    return ::setsockopt(ToSocket(fd), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms),
                        sizeof ms) == 0;
}

inline long Send(int fd, const void* data, std::size_t size) {
    const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    return ::send(ToSocket(fd), static_cast<const char*>(data), chunk, 0);
}
// Winsock has no per-call "don't wait": the socket is made non-blocking for
// the call. Only used on sockets that are about to be closed.
inline long SendNow(int fd, const void* data, std::size_t size) {
    SetBlocking(fd, false);
    const long sent = Send(fd, data, size);
    SetBlocking(fd, true);
    return sent;
}
inline long SendVector(int fd, iovec* pieces, int count) {
    WSABUF buffers[8];
    if (count > 8) count = 8;  // the rest goes out in the next call
    for (int i = 0; i < count; ++i) {
        buffers[i].buf = static_cast<char*>(pieces[i].iov_base);
        buffers[i].len = static_cast<ULONG>(pieces[i].iov_len);
    }
    DWORD sent = 0;
    if (::WSASend(ToSocket(fd), buffers, static_cast<DWORD>(count), &sent, 0, nullptr, nullptr) !=
        0) {
        return -1;
    }
    return static_cast<long>(sent);
}
inline long Receive(int fd, void* data, std::size_t size) {
    const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    return ::recv(ToSocket(fd), static_cast<char*>(data), chunk, 0);
}
inline long ReceiveNow(int fd, void* data, std::size_t size) {
    SetBlocking(fd, false);
    const long got = Receive(fd, data, size);
    SetBlocking(fd, true);
    return got;
}
inline void ShutdownBoth(int fd) {
    ::shutdown(ToSocket(fd), SD_BOTH);
}

// WSAPoll takes sockets only, so the wake-up pair is a connected loopback
// pair: a listener on 127.0.0.1, one connection, and the listener closed.
inline bool MakeWakePair(int* read_end, int* write_end) {
    const int listener = OpenSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    const int writer = OpenSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool ok =
        writer >= 0 &&
        ::bind(ToSocket(listener), reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::listen(ToSocket(listener), 1) == 0 &&
        ::getsockname(ToSocket(listener), reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
        ::connect(ToSocket(writer), reinterpret_cast<sockaddr*>(&address), size) == 0;
    const int reader = ok ? AcceptSocket(listener) : -1;
    CloseSocket(listener);
    if (reader < 0) {
        if (writer >= 0) CloseSocket(writer);
        return false;
    }
    SetBlocking(reader, false);
    SetBlocking(writer, false);
    *read_end = reader;
    *write_end = writer;
    return true;
}
inline void Wake(int write_end) {
    const char byte = 0;
    ::send(ToSocket(write_end), &byte, 1, 0);
}

inline int RemoveSocketFile(const std::string& /*path*/) {
    return 0;
}
}  // namespace quorvex::link::sys
