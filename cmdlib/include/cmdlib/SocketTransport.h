// The client side of a socket link: a Transport that reaches a target over a
// TCP or Unix stream socket, and the "tcp" and "unix" endpoint schemes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cmdlib/Transport.h"

namespace quorvex::link {

struct SocketOptions {
    // Name the host gives of itself in HELLO.
    std::string client_name = "quorvex";
    // Bound on connecting plus the HELLO/WELCOME handshake; a target that does
    // not answer within it is taken as unreachable.
    std::uint32_t handshake_timeout_ms = 5000;
};

// Connects to "tcp://HOST:PORT" or "unix:PATH", introduces itself and waits
// for the target's WELCOME. Returns the open transport, or nullptr with a
// one-line reason in *error. The transport reads the socket on a thread of
// its own; Receive waits on real time. Reports received before the
// connection ends are still handed out. A malformed frame from the target
// closes the connection: each exchange running at that moment then answers
// one Receive (a waiting one at once) with UE_LINK_PROTOCOL; every other
// call answers UE_LINK_DOWN.
std::shared_ptr<Transport> OpenSocketTransport(const std::string& endpoint,
                                               const SocketOptions& options, std::string* error);

// Registers the "tcp" and "unix" schemes with Connect. Call once at start-up,
// before the host connects; calling again is harmless.
void RegisterSocketSchemes();

}  // namespace quorvex::link
