// The command line of quorvex-target: what the flags set, how they are read,
// and the help text that explains them.
#pragma once

#include <cstddef>
#include <string>

#include "cmdlib/SocketServer.h"
#include "target/SimConfig.h"

namespace quorvex::target_server {

struct TargetSettings {
    std::string listen = "tcp://127.0.0.1:0";
    // The simulated target, report faults included (drop, delay).
    sim::SimConfig config = sim::DefaultSimConfig();
    std::size_t max_connections = 16;
    // A connection that sends nothing for this long is closed.
    std::uint32_t idle_timeout_s = 600;
    // Connection faults, carried out by the socket server per connection.
    link::FrameFaults frame_faults;
};

enum class FlagsOutcome { kRun, kHelp, kUsageError };

// Reads argv[1..argc-1] into *settings (which starts from its defaults). On
// kUsageError, *error holds one line naming the flag and what it takes.
// Checks each flag on its own; the whole configuration is checked by
// sim::ValidateConfig afterwards.
FlagsOutcome ParseTargetFlags(int argc, const char* const* argv, TargetSettings* settings,
                              std::string* error);

// The text of --help: every flag, the fault flags, an example, exit statuses.
const char* TargetHelpText();

}  // namespace quorvex::target_server
