// quorvex: reach the flash file systems of a two-core target from a terminal
// or a script. Loads the module, answers its target-type question, runs one
// command and exits with the operation's result code.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "ProgressPump.h"
#include "ResultText.h"
#include "cmdlib/Connection.h"
#include "cmdlib/SocketTransport.h"
#include "framework/dialog_presenter.h"
#include "hostlib/hostpaths.h"
#include "hostlib/trace.h"
#include "quorvex/Quorvex.h"
#include "target/SimScheme.h"

namespace {

using quorvex::cli::ProgressMode;

const int kUsage = 64;

const char kHelp[] =
    "usage: quorvex [OPTIONS] COMMAND [ARGS]\n"
    "\n"
    "Options:\n"
    "  --target ENDPOINT   where the target is (default sim:$QUORVEX_HOME/flash)\n"
    "                      sim:, sim:DIR, tcp://HOST:PORT, unix:PATH\n"
    "  --core cp|ap        answer to the target-type question (cp without a terminal)\n"
    "  --instance NAME     flash-access instance name (default \"GUI Instance\")\n"
    "  --path PREFIX       volume-and-path prefix to work in (default: the target's root path)\n"
    "  --trace FILE|-      write the module's trace lines to FILE, or stderr\n"
    "  --progress MODE     auto, bar, json or none\n"
    "  --json              machine-readable output\n"
    "\n"
    "Commands (quorvex COMMAND --help for an example):\n"
    "  info | volumes | ls [PATTERN] | get FLASH [PC] | put PC [FLASH] [--verify]\n"
    "  cmp PC FLASH | rm FLASH | mv OLD NEW | mkdir DIR [--mode N] | rmdir DIR\n"
    "  chmod MODE FILE | df [VOLUME] | format [VOLUME] | rtc [YYYY-MM-DDTHH:MM:SS]\n"
    "  reset | settings [KEY [VALUE]]\n"
    "\n"
    "Exit status: 0 success, the operation's result code (2-28, 100-102), 1 when the\n"
    "target offers no reset command, 64 for a usage error.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"info",
     "info: side, FDI version, root path, OS, extended mode\n  quorvex --core ap info --json"},
    {"volumes", "volumes: the target's volume names\n  quorvex volumes"},
    {"ls", "ls [PATTERN]: list the current folder (default *)\n  quorvex ls '*.bin'"},
    {"get",
     "get FLASH [PC]: copy a flash file to the PC (PC defaults to its base name)\n"
     "  quorvex get dfm/config.bin config.bin"},
    {"put",
     "put PC [FLASH] [--verify]: copy a PC file to flash, optionally read back\n"
     "  quorvex put firmware.bin --verify"},
    {"cmp",
     "cmp PC FLASH: compare a PC file with a flash file (exit 8 when they differ)\n"
     "  quorvex cmp firmware.bin firmware.bin"},
    {"rm", "rm FLASH: delete a flash file\n  quorvex rm old.log"},
    {"mv", "mv OLD NEW: rename a flash file\n  quorvex mv a.txt b.txt"},
    {"mkdir",
     "mkdir DIR [--mode N]: create a directory (N octal)\n  quorvex mkdir logs --mode 755"},
    {"rmdir", "rmdir DIR: remove an empty directory\n  quorvex rmdir logs"},
    {"chmod", "chmod MODE FILE: change a file's mode (octal)\n  quorvex chmod 444 config.bin"},
    {"df", "df [VOLUME]: size, used and free space of a volume\n  quorvex df"},
    {"format", "format [VOLUME]: format a volume (all its files are lost)\n  quorvex format dfm"},
    {"rtc",
     "rtc [YYYY-MM-DDTHH:MM:SS]: set the target clock (default now, UTC)\n"
     "  quorvex rtc 2026-12-05T12:00:00"},
    {"reset", "reset: restart the board\n  quorvex reset"},
    {"settings",
     "settings [KEY [VALUE]]: read or set the five switches (0 or 1)\n"
     "  quorvex settings \"Verify After Write\" 0"},
};

CFlashExplorerData* g_flash = nullptr;
volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
    if (g_flash != nullptr) g_flash->RequestStop();  // one atomic store: signal-safe
}

int UsageError(const std::string& line) {
    std::fprintf(stderr, "quorvex: %s (see quorvex --help)\n", line.c_str());
    return kUsage;
}

int Fail(int code) {
    std::fprintf(stderr, "quorvex: error %d: %s\n", code,
                 quorvex::cli::ResultMeaning(code).c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string endpoint, core, instance = "GUI Instance", path, trace, progress = "auto";
    bool json = false, have_path = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        if (!args.empty() && arg == "--help") {
            auto help = kCommandHelp.find(args[0]);
            std::printf("%s\n", help->second.c_str());
            return 0;
        }
        if (!args.empty() && (arg == "--verify" || arg == "--mode" || arg[0] != '-')) {
            args.push_back(arg);
            continue;
        }
        if (false) {
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--target") {
            if (!value(&endpoint)) return UsageError("--target needs an endpoint");
        } else if (arg == "--core") {
            if (!value(&core) || (core != "cp" && core != "ap"))
                return UsageError("--core is cp or ap");
        } else if (arg == "--instance") {
            if (!value(&instance)) return UsageError("--instance needs a name");
        } else if (arg == "--path") {
            if (!value(&path)) return UsageError("--path needs a prefix");
            have_path = true;
        } else if (arg == "--trace") {
            if (!value(&trace)) return UsageError("--trace needs a file or -");
        } else if (arg == "--progress") {
            if (!value(&progress) || (progress != "auto" && progress != "bar" &&
                                      progress != "json" && progress != "none")) {
                return UsageError("--progress is auto, bar, json or none");
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            if (kCommandHelp.find(arg) == kCommandHelp.end())
                return UsageError("unknown command '" + arg + "'");
            args.push_back(arg);
        }
    }
    if (args.empty()) return UsageError("no command given");

    if (!trace.empty()) {
        if (trace == "-") {
            quorvex::host::SetTraceSink(std::make_shared<quorvex::host::StderrTraceSink>());
        } else {
            quorvex::host::SetTraceSink(std::make_shared<quorvex::host::FileTraceSink>(trace));
        }
    }
    quorvex::cli::CommandContext context;
    context.json = json;
    if (quorvex::cli::IsLocalCommand(args[0])) return quorvex::cli::RunCommand(context, args);

    quorvex::sim::RegisterSimScheme();
    quorvex::link::RegisterSocketSchemes();
    if (endpoint.empty()) {
        endpoint =
            "sim:" + std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder())) + "/flash";
    }
    std::string error;
    const int connected = quorvex::link::Connect(endpoint, &error);
    if (connected != 0) {
        std::fprintf(stderr, "quorvex: %s\n", error.c_str());
        return Fail(connected);
    }

    // The target-type question of the "GUI Instance".
    quorvex::framework::ScriptedDialogPresenter scripted;
    std::unique_ptr<quorvex::framework::ConsoleDialogPresenter> console;
    if (core.empty() && isatty(STDIN_FILENO)) {
        console = std::make_unique<quorvex::framework::ConsoleDialogPresenter>();
        quorvex::framework::SetDialogPresenter(console.get());
    } else {
        scripted.AddScript(core == "ap" ? "click 1032, ok" : "click 1031, ok");
        quorvex::framework::SetDialogPresenter(&scripted);
    }

    Init();
    CFlashExplorerData* flash = CFlashExplorerData::Instance(instance.c_str());
    if (have_path) flash->SetVolumeAndPath(path.c_str(), false);
    context.flash = flash;

    ProgressMode mode = ProgressMode::kNone;
    if (progress == "json") mode = ProgressMode::kJson;
    if (progress == "bar" || (progress == "auto" && isatty(STDERR_FILENO)))
        mode = ProgressMode::kBar;
    std::unique_ptr<quorvex::cli::ProgressPump> pump;
    // Without a window the messages would pile up in this thread's queue.
    if (instance == "GUI Instance") {
        pump = std::make_unique<quorvex::cli::ProgressPump>(mode);
        flash->SetNotifyWindow(pump->window());
    }
    if (quorvex::cli::IsTransferCommand(args[0])) {
        g_flash = flash;
        std::signal(SIGINT, OnInterrupt);
    }

    int result = quorvex::cli::RunCommand(context, args);

    std::signal(SIGINT, SIG_DFL);
    g_flash = nullptr;
    if (pump) {
        flash->SetNotifyWindow(nullptr);
        pump->Finish();
    }
    // Registered objects outlive the module on purpose; a host ends its own.
    CFlashExplorerData::DeleteInstance(instance.c_str());
    Term();
    quorvex::link::Disconnect();
    if (result != 0 && result != kUsage && !(args[0] == "reset" && result == 1))
        return Fail(result);
    if (result == 1) std::fprintf(stderr, "quorvex: %s\n", quorvex::cli::ResultMeaning(1).c_str());
    return result;
}
