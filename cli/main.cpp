// quorvex: reach the flash file systems of a two-core target from a terminal
// or a script. Parses the command line, connects, runs one command and exits
// with the operation's result code; nothing that goes wrong ends it any other
// way than with one failure line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "HelpText.h"
#include "HostSettings.h"
#include "LinkWatch.h"
#include "Output.h"
#include "ResultText.h"
#include "Session.h"
#include "StopSignals.h"
#include "TraceTee.h"
#include "framework/exception.h"

namespace {

using namespace quorvex::cli;

const int kCancelled = 28;

// format on a terminal asks first; without one it needs --yes.
int ConfirmFormat(const CommandLine& line) {
    if (line.command->name != std::string("format") || (line.options & kOptYes) != 0) return 0;
    if (!isatty(STDIN_FILENO)) {
        return ReportUsage(line.global.json,
                           "format needs --yes when no terminal can confirm it (usage: quorvex " +
                               std::string(line.command->usage) + ")");
    }
    const std::string volume = line.operands.empty() ? "the current volume" : line.operands[0];
    std::cerr << "Format " << volume << "? Every file on it is lost. Type yes to go on: ";
    std::string answer;
    if (std::getline(std::cin, answer) && answer == "yes") return 0;
    return ReportFailure(line.global.json, kCancelled, "format cancelled; nothing was sent");
}

// Defaults from the environment, for what the command line leaves open.
std::string ApplyEnvironment(GlobalOptions* g) {
    const char* target = std::getenv("QUORVEX_TARGET");
    if (g->endpoint.empty() && target != nullptr) g->endpoint = target;
    const char* core = std::getenv("QUORVEX_CORE");
    if (g->core.empty() && core != nullptr && *core != '\0') {
        if (std::string(core) != "cp" && std::string(core) != "ap") {
            return "QUORVEX_CORE is cp or ap, not '" + std::string(core) + "'";
        }
        g->core = core;
    }
    if (g->quiet) g->progress = ProgressChoice::kNone;
    // Output for programs: a bar is drawn only when asked for by name.
    if (g->json && g->progress == ProgressChoice::kAuto) g->progress = ProgressChoice::kNone;
    if (g->verbose && g->trace.empty()) g->trace = "-";
    return "";
}

int Finish(const CommandContext& c, int code) {
    for (const std::string& note : c.notes) Note(note);
    if (code == 0) return 0;
    if (code == kUsageStatus) return ReportUsage(c.json, c.message);
    if (code == 1) {  // no reset command: not an error of an exchange
        Note(c.message);
        if (c.json)
            std::printf("{\"error\":{\"code\":1,\"message\":%s}}\n", Json(c.message).c_str());
        return code;
    }
    return ReportFailure(c.json, code, c.message.empty() ? ResultMeaning(code) : c.message);
}

int Run(const CommandLine& line) {
    const HostSettings settings = LoadHostSettings();
    std::string error;
    if (!InstallTrace(line.global.trace, settings.diagnosis_to_log, &error)) {
        return ReportUsage(line.global.json, error);
    }
    const int confirmed = ConfirmFormat(line);
    if (confirmed != 0) return confirmed;

    CommandContext c;
    c.line = &line;
    c.json = line.global.json;
    c.settings = settings;
    c.quiet = line.global.quiet;
    const bool local = !line.command->needs_target ||
                       (line.command->name == std::string("cmp") && (line.options & kOptClean));
    if (local) return Finish(c, RunCommand(c));

    const int source = CheckPcSource(c);
    if (source != 0) return Finish(c, source);
    // A transfer has something to clean up, so a signal asks it to stop;
    // any other command simply ends as the signal says.
    const std::string name = line.command->name;
    const bool transfer =
        name == "get" || name == "put" || name == "cmp" || name == "cat" || name == "sync";
    if (transfer) CatchStopSignals();
    int code = 0;
    std::string summary;
    {
        Session session;
        std::string message;
        code = session.Open(line.global, settings, &message);
        if (code != 0) return ReportFailure(c.json, code, message);
        c.flash = session.flash();
        c.watch = session.watch();
        code = StopRequested() ? Fail(c, kCancelled, "stopped on request; nothing was sent")
                               : RunCommand(c);
        summary = session.watch()->Summary();
    }  // the progress display ends before the result is told
    if (line.global.verbose) Note(summary);
    return Finish(c, code);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
        case CommandLine::Action::kHelp:
            std::fputs(MainHelp().c_str(), stdout);
            return 0;
        case CommandLine::Action::kCommandHelp:
            std::fputs(CommandHelp(*line.command).c_str(), stdout);
            return 0;
        case CommandLine::Action::kUsageError:
            return ReportUsage(line.global.json, line.error);
        case CommandLine::Action::kVersion:
            std::printf("quorvex %s\n", QUORVEX_VERSION);
            return 0;
        case CommandLine::Action::kRun:
            break;
    }
    const std::string env_error = ApplyEnvironment(&line.global);
    if (!env_error.empty()) return ReportUsage(line.global.json, env_error);
    // Whatever escapes a command still ends in one line and a status.
    try {
        return Run(line);
    } catch (const CException&) {
        return ReportFailure(line.global.json, kInternalStatus, "the module failed unexpectedly");
    } catch (const std::bad_alloc&) {
        return ReportFailure(line.global.json, kInternalStatus, "out of memory");
    } catch (const std::exception& e) {
        return ReportFailure(line.global.json, kInternalStatus, e.what());
    } catch (...) {
        return ReportFailure(line.global.json, kInternalStatus, "unexpected failure");
    }
}
