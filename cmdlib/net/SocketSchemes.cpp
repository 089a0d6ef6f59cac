// Makes "tcp://HOST:PORT" and "unix:PATH" endpoints known to Connect.
#include "cmdlib/Connection.h"
#include "cmdlib/SocketTransport.h"

namespace quorvex::link {
namespace {

TransportFactory SocketFactory(const std::string& scheme) {
    return [scheme](const std::string& rest, std::string* error) {
        return OpenSocketTransport(scheme + ":" + rest, SocketOptions(), error);
    };
}

}  // namespace

void RegisterSocketSchemes() {
    RegisterScheme("tcp", SocketFactory("tcp"));
    RegisterScheme("unix", SocketFactory("unix"));
}

}  // namespace quorvex::link
