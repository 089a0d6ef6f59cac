// The yardstick for transfers: stop-and-wait QXL/1 exchanges with the frame
// shapes of a file transfer, one blocking thread on each side of a socket,
// zlib's CRC on every frame, and nothing else.
#pragma once

#include <cstddef>
#include <string>

namespace quorvex::bench {

enum class Direction { kWrite, kRead };

// Moves `total` bytes in packets of `packet` data bytes over a fresh
// connection of `kind` ("tcp" or "unix"): kWrite sends each packet in a
// command frame answered by a short report, kRead asks with a short command
// and gets the packet in a report. Returns the seconds the exchanges took,
// or a negative value with *error set. *cpu_seconds, when given, receives
// the CPU seconds both sides used over the same span.
double RawEchoSeconds(const std::string& kind, Direction direction, std::size_t total,
                      std::size_t packet, std::string* error, double* cpu_seconds = nullptr);

}  // namespace quorvex::bench
