// Unix-domain endpoints on Windows: not offered, and said so.
#include "Socket.h"

namespace quorvex::link {
namespace {

UniqueFd Refuse(const Endpoint& endpoint, std::string* error) {
    *error = FormatEndpoint(endpoint) +
             ": unix: endpoints are not supported on Windows; use tcp://HOST:PORT";
    return UniqueFd();
}

}  // namespace

UniqueFd ConnectUnix(const Endpoint& endpoint, Clock::time_point, std::string* error) {
    return Refuse(endpoint, error);
}

UniqueFd ListenUnix(const Endpoint& endpoint, std::string* error) {
    return Refuse(endpoint, error);
}

}  // namespace quorvex::link
