// Socket endpoint texts ("tcp://HOST:PORT", "unix:PATH") and their parsing.
#pragma once

#include <string>

namespace quorvex::link {

struct Endpoint {
    enum class Kind { kTcp, kUnix };
    Kind kind = Kind::kTcp;
    std::string host;  // tcp: name or address, brackets of an IPv6 address removed
    std::string port;  // tcp: decimal, 0..65535
    std::string path;  // unix: file system path of the socket
};

// Host used when a tcp endpoint names none ("tcp://:5555"): loopback, so a
// simulator is never reachable from elsewhere by accident.
inline constexpr const char* kDefaultHost = "127.0.0.1";

// Parses an endpoint text. False with a one-line reason in *error when the
// scheme is not tcp or unix, the port is not a number up to 65535, or the
// path is empty or too long for a socket address.
bool ParseEndpoint(const std::string& text, Endpoint* endpoint, std::string* error);

// The text form again, as ParseEndpoint reads it.
std::string FormatEndpoint(const Endpoint& endpoint);

}  // namespace quorvex::link
