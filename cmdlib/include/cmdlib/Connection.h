// The process-wide connection to a target, opened by the host. Endpoints are
// looked up by scheme ("sim:", "tcp://", "unix:", "test:"), each scheme
// registered once by the library that provides it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cmdlib/Transport.h"

namespace quorvex::link {

// Opens a transport for the rest of the endpoint text after "scheme:", taken
// as it stands: "tcp://127.0.0.1:5000" hands "//127.0.0.1:5000" to the "tcp"
// factory, "sim:" hands "" to "sim", "unix:/run/t.sock" hands "/run/t.sock".
// Returns nullptr and sets *error (one line: which endpoint, and why) on failure.
// Called without the registry's lock held, so it may block while it connects.
using TransportFactory =
    std::function<std::shared_ptr<Transport>(const std::string& rest, std::string* error)>;

// Registers (or replaces) the factory of a scheme, e.g. "tcp", "sim".
void RegisterScheme(const std::string& scheme, TransportFactory factory);

// Opens the process connection, replacing (and closing) any open one. Returns 0
// or a UE_LINK_* code (UE_LINK_DOWN when the endpoint cannot be reached or its
// scheme is unknown), with a message in *error; a failed attempt leaves the
// open connection as it was. Every function here is thread-safe.
int Connect(const std::string& endpoint, std::string* error);
// Uses an already open transport as the process connection (tests, embedders),
// closing the one it replaces.
void Attach(std::shared_ptr<Transport> transport);
// Closes and forgets the process connection. Links made before stay usable:
// their exchanges answer UE_LINK_DOWN until the next Connect or Attach.
void Disconnect();
// The current transport, or nullptr.
std::shared_ptr<Transport> CurrentTransport();

}  // namespace quorvex::link
