// The quorvex command line as a value: ParseCommandLine turns argv into what
// to run, checking every option and operand it can check without a target.
// Pure: it touches no file, no setting and no module.
#pragma once

#include <string>
#include <vector>

#include "CommandTable.h"

namespace quorvex::cli {

enum class ProgressChoice { kAuto, kBar, kJson, kNone };

struct GlobalOptions {
    std::string endpoint;  // empty: the simulated target in the host folder
    std::string core;      // "", "cp" or "ap"
    std::string instance = "GUI Instance";
    std::string path;
    bool have_path = false;
    std::string trace;  // "", "-" or a file
    ProgressChoice progress = ProgressChoice::kAuto;
    bool json = false;
    bool quiet = false;    // -q: failures only on stderr, no notes or progress
    bool verbose = false;  // -v: trace lines and a summary of the link traffic
};

// A calendar time the target's clock can hold.
struct ClockTime {
    unsigned year, month, day, hour, minute, second;
};

struct CommandLine {
    enum class Action { kRun, kHelp, kCommandHelp, kVersion, kUsageError };
    Action action = Action::kRun;
    GlobalOptions global;
    const CommandDef* command = nullptr;  // set for kRun and kCommandHelp
    std::vector<std::string> operands;
    unsigned options = 0;  // CommandOption bits given
    int mode = 0777;       // mkdir --mode, chmod MODE
    bool have_clock = false;
    ClockTime clock{};  // rtc's operand
    std::string error;  // kUsageError: one line, with the command's usage when known
};

// `args` are argv[1..]. Global options may stand anywhere; a command's own
// options only after its name; "--" ends the options; "--name=value" is the
// same as "--name value"; one-letter options of a command combine ("-lt").
// A mistyped command or option gets "did you mean" with the nearest name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// True when `text` is YYYY-MM-DDTHH:MM:SS naming a real time from 1970 to
// 2037, the span the target's clock and its 32-bit time stamps hold.
bool ParseClockTime(const std::string& text, ClockTime* out);
// The name among `names` nearest to `typed` when it is near enough to be a
// typing slip; empty otherwise.
std::string NearestName(const std::string& typed, const std::vector<std::string>& names);
// Octal permission bits, at most 07777.
bool ParseOctalMode(const std::string& text, int* mode);

}  // namespace quorvex::cli
