// The commands of the quorvex host, run on one flash data object.
#pragma once

#include <string>

#include "CommandLine.h"
#include "HostSettings.h"

class CFlashExplorerData;

namespace quorvex::cli {

class LinkWatch;

struct CommandContext {
    const CommandLine* line = nullptr;
    CFlashExplorerData* flash = nullptr;  // null for commands that need no target
    LinkWatch* watch = nullptr;
    HostSettings settings;
    bool json = false;
    // Set by a failing command: the text after "error N: ". Empty means the
    // code's plain meaning.
    std::string message;
};

// Runs the parsed command. Returns 0 or the failure's code (with
// context.message); prints results on stdout.
int RunCommand(CommandContext& c);

// The command groups RunCommand hands to.
int RunListingCommand(CommandContext& c);   // info, volumes, ls, df
int RunTransferCommand(CommandContext& c);  // get, put, cmp
int RunSettingsCommand(CommandContext& c);  // settings
// Before connecting: 0 when the PC file a put or cmp reads is there.
int CheckPcSource(CommandContext& c);
// 0 when the target lists `volume`; otherwise a usage failure naming the
// volumes it has, or the listing's own failure.
int RequireListedVolume(CommandContext& c, const std::string& volume);

// Failure with a message; returns `code`.
int Fail(CommandContext& c, int code, const std::string& message);
// The name as the module sends it: the current prefix in front unless the
// name already holds it.
std::string FullFlashPath(CFlashExplorerData& flash, const std::string& name);

}  // namespace quorvex::cli
