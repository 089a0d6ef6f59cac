// The commands of the quorvex host, run on one flash data object.
#pragma once

#include <string>
#include <vector>

class CFlashExplorerData;

namespace quorvex::cli {

struct CommandContext {
    CFlashExplorerData* flash = nullptr;
    bool json = false;
};

// Runs `args` (command name first). Returns the exit status; prints results
// on stdout. A usage error prints its line and returns 64.
int RunCommand(CommandContext& context, const std::vector<std::string>& args);

// True for commands that never reach the target (no connection is needed).
bool IsLocalCommand(const std::string& name);
// True for the transfers that Ctrl-C may stop.
bool IsTransferCommand(const std::string& name);

}  // namespace quorvex::cli
