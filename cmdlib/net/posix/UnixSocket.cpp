// Unix-domain stream sockets of the link transports on POSIX.
#include <cstring>

#include "Socket.h"

namespace quorvex::link {
namespace {

constexpr int kListenBacklog = 16;

sockaddr_un UnixAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());  // length checked when parsed
    return address;
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
        *error = ErrnoMessage(name + ": remove stale socket", sys::LastError());
        return false;
    }
    return true;
}

}  // namespace

UniqueFd ConnectUnix(const Endpoint& endpoint, Clock::time_point deadline, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    UniqueFd fd(sys::OpenSocket(AF_UNIX, SOCK_STREAM, 0));
    if (!fd.valid()) {
        *error = ErrnoMessage(name + ": socket", sys::LastError());
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

UniqueFd ListenUnix(const Endpoint& endpoint, std::string* error) {
    const std::string name = FormatEndpoint(endpoint);
    if (!ClearStaleUnixSocket(endpoint, error)) return UniqueFd();
    UniqueFd fd(sys::OpenSocket(AF_UNIX, SOCK_STREAM, 0));
    if (!fd.valid()) {
        *error = ErrnoMessage(name + ": socket", sys::LastError());
        return UniqueFd();
    }
    const sockaddr_un address = UnixAddress(endpoint.path);
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd.get(), kListenBacklog) != 0) {
        *error = ErrnoMessage(name + ": listen", sys::LastError());
        return UniqueFd();
    }
    return fd;
}

}  // namespace quorvex::link
