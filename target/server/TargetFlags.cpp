// Reading quorvex-target's flags into the simulator's configuration and the
// socket server's settings.
#include "TargetFlags.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace quorvex::target_server {
namespace {

const char kHelp[] =
    "usage: quorvex-target [OPTIONS]\n"
    "\n"
    "Serves a simulated two-core target (communication core CP, application core\n"
    "AP) to quorvex hosts over a socket. Prints \"listening on ADDRESS\" once it\n"
    "accepts connections, logs the connections it refuses or drops and the flash\n"
    "changes it cannot keep on stderr, and stops on SIGINT or SIGTERM. A host that\n"
    "does not complete its HELLO within 5 s, or leaves a frame incomplete for 5 s,\n"
    "is dropped; one beyond --max-connections is told \"target busy\".\n"
    "\n"
    "A value marked [CORE] may start with cp: or ap: to set one core only; without\n"
    "it, both cores get the value. FLAG=VALUE works as well as FLAG VALUE.\n"
    "  --listen ENDPOINT       tcp://HOST:PORT or unix:PATH; port 0 picks a free\n"
    "                          port (default tcp://127.0.0.1:0)\n"
    "  --image DIR             keep the flash image in DIR across runs, as the\n"
    "                          database DIR/flash.db (default: memory only, lost\n"
    "                          at exit)\n"
    "  --cp-fdi VERSION        FDI version of the CP: FDI5, FDI6, FDI7 or FDI71\n"
    "                          (default FDI6)\n"
    "  --ap-fdi VERSION        FDI version of the AP (default FDI71)\n"
    "  --cp-os N, --ap-os N    OS type of a core: 0 none, 1 RTOS, 2 Windows,\n"
    "                          3 Linux (defaults: CP 1, AP 3)\n"
    "  --omit [CORE]COMMAND    leave an optional command out of the command\n"
    "                          database, by full or last name (Fseek,\n"
    "                          restartCmd); repeatable\n"
    "  --in-limit [CORE]N      most data bytes per read packet, 1 to 32767\n"
    "                          (defaults: CP 1024, AP 4096)\n"
    "  --out-limit [CORE]N     most data bytes per write packet, 1 to 32767\n"
    "                          (defaults: CP 1024, AP 4096)\n"
    "  --max-name [CORE]N      longest file or directory name, 1 to 255\n"
    "                          (default 64)\n"
    "  --capacity [CORE]SIZE   size of the core's default volume (dfm on CP, mfm\n"
    "                          on AP): bytes, or with a K, M or G suffix, below\n"
    "                          4G (defaults: 4M, 16M)\n"
    "  --max-connections N     hosts served at once, 1 to 1024; more are refused\n"
    "                          (default 16)\n"
    "  --idle-timeout SECONDS  close a connection that sends nothing for this\n"
    "                          long, 1 to 86400 (default 600)\n"
    "  --help                  this text\n"
    "\n"
    "Faults, for testing hosts (N counts from 1 on each connection; a counted\n"
    "fault fires once, on the first connection to get there):\n"
    "  --drop-report N         never send the connection's N-th report;\n"
    "                          repeatable\n"
    "  --delay-ms N            hold every report back N milliseconds (up to\n"
    "                          600000)\n"
    "  --close-after-frames N  close a connection once it has sent N frames, its\n"
    "                          WELCOME included\n"
    "  --corrupt-report N      send a connection's N-th report with a broken\n"
    "                          checksum, which makes the host drop the\n"
    "                          connection\n"
    "\n"
    "Example: an AP speaking FDI7 without the seek command, image kept in ./flash:\n"
    "  quorvex-target --listen tcp://127.0.0.1:5555 --image flash \\\n"
    "      --ap-fdi FDI7 --omit ap:Fseek\n"
    "  quorvex --target tcp://127.0.0.1:5555 --core ap ls\n"
    "\n"
    "Exit status: 0 when stopped by SIGINT or SIGTERM, 64 for a bad option or an\n"
    "unusable configuration, 1 when the image cannot be read or the endpoint\n"
    "cannot be listened on.\n";

enum class Cores { kBoth, kCp, kAp };

// Takes an optional "cp:" or "ap:" off the front of a value.
Cores TakeCore(std::string* value) {
    if (value->rfind("cp:", 0) == 0) {
        value->erase(0, 3);
        return Cores::kCp;
    }
    if (value->rfind("ap:", 0) == 0) {
        value->erase(0, 3);
        return Cores::kAp;
    }
    return Cores::kBoth;
}

template <typename Change>
void ForCores(Cores cores, TargetSettings* s, Change change) {
    if (cores != Cores::kAp) change(s->config.cp);
    if (cores != Cores::kCp) change(s->config.ap);
}

// A plain decimal number from `low` to `high`, nothing around it.
bool ParseNumber(std::string_view text, std::uint64_t low, std::uint64_t high, std::uint64_t* out) {
    std::uint64_t v = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || stop != end || v < low || v > high) return false;
    *out = v;
    return true;
}

// Bytes, or kibi-, mebi- or gibibytes with a K, M or G suffix; below 4 GiB,
// since hosts read free space as a 32-bit figure.
bool ParseSize(std::string_view text, std::uint64_t* out) {
    std::uint64_t unit = 1;
    if (!text.empty()) {
        const char suffix = text.back();
        if (suffix == 'K' || suffix == 'k') unit = 1ull << 10;
        if (suffix == 'M' || suffix == 'm') unit = 1ull << 20;
        if (suffix == 'G' || suffix == 'g') unit = 1ull << 30;
        if (unit != 1) text.remove_suffix(1);
    }
    const std::uint64_t most = 0xFFFFFFFFull;
    std::uint64_t count = 0;
    if (!ParseNumber(text, 1, most / unit, &count)) return false;
    *out = count * unit;
    return true;
}

using Apply = bool (*)(std::string value, TargetSettings* s, std::string* why);

struct Flag {
    const char* name;
    const char* takes;  // for the error line: "--in-limit takes <takes>, not '…'"
    Apply apply;
};

bool SetVersion(const std::string& value, std::string* version) {
    if (value != "FDI5" && value != "FDI6" && value != "FDI7" && value != "FDI71") return false;
    *version = value;
    return true;
}

// A number from `low` to `high` stored in `field`.
template <typename T>
bool SetNumber(const std::string& value, std::uint64_t low, std::uint64_t high, T* field) {
    std::uint64_t n = 0;
    if (!ParseNumber(value, low, high, &n)) return false;
    *field = static_cast<T>(n);
    return true;
}

bool Omit(std::string value, TargetSettings* s, std::string* why) {
    const Cores cores = TakeCore(&value);
    std::string full;
    if (!sim::ExpandCommandName(value, &full)) return false;
    const auto& optional = sim::OptionalCommandNames();
    if (std::find(optional.begin(), optional.end(), full) == optional.end()) {
        *why = "'" + value + "' is a command every target offers; it cannot be left out";
        return false;
    }
    ForCores(cores, s, [&](sim::CoreConfig& core) { core.commands.erase(full); });
    return true;
}

// A per-core number field set through a member pointer.
template <typename Field, Field sim::CoreConfig::*member, std::uint64_t kLow, std::uint64_t kHigh>
bool SetCoreNumber(std::string value, TargetSettings* s, std::string*) {
    const Cores cores = TakeCore(&value);
    std::uint64_t n = 0;
    if (!ParseNumber(value, kLow, kHigh, &n)) return false;
    ForCores(cores, s, [&](sim::CoreConfig& core) { core.*member = static_cast<Field>(n); });
    return true;
}

bool SetCapacity(std::string value, TargetSettings* s, std::string*) {
    const Cores cores = TakeCore(&value);
    std::uint64_t bytes = 0;
    if (!ParseSize(value, &bytes)) return false;
    ForCores(cores, s, [&](sim::CoreConfig& core) { core.volumes.front().capacity = bytes; });
    return true;
}

const Flag kFlags[] = {
    {"--listen", "tcp://HOST:PORT or unix:PATH",
     [](std::string v, TargetSettings* s, std::string*) {
         const bool tcp = v.rfind("tcp://", 0) == 0 && v.size() > 6;
         const bool unix_socket = v.rfind("unix:", 0) == 0 && v.size() > 5;
         if (!tcp && !unix_socket) return false;
         s->listen = v;
         return true;
     }},
    {"--image", "a directory",
     [](std::string v, TargetSettings* s, std::string*) {
         s->config.image_dir = v;
         return !v.empty();
     }},
    {"--cp-fdi", "FDI5, FDI6, FDI7 or FDI71",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetVersion(v, &s->config.cp.fdi_version);
     }},
    {"--ap-fdi", "FDI5, FDI6, FDI7 or FDI71",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetVersion(v, &s->config.ap.fdi_version);
     }},
    {"--cp-os", "0 to 3",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 0, 3, &s->config.cp.os_type);
     }},
    {"--ap-os", "0 to 3",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 0, 3, &s->config.ap.os_type);
     }},
    {"--omit", "an optional command such as Fseek or ap:restartCmd", Omit},
    {"--in-limit", "[cp:|ap:]1 to 32767",
     SetCoreNumber<std::uint32_t, &sim::CoreConfig::in_msg_body_limit, 1, 32767>},
    {"--out-limit", "[cp:|ap:]1 to 32767",
     SetCoreNumber<std::uint32_t, &sim::CoreConfig::out_msg_body_limit, 1, 32767>},
    {"--max-name", "[cp:|ap:]1 to 255",
     SetCoreNumber<std::uint32_t, &sim::CoreConfig::max_file_name_len, 1, 255>},
    {"--capacity", "[cp:|ap:]a size below 4G, such as 65536, 512K or 8M", SetCapacity},
    {"--max-connections", "1 to 1024",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 1, 1024, &s->max_connections);
     }},
    {"--idle-timeout", "1 to 86400 seconds",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 1, 86400, &s->idle_timeout_s);
     }},
    {"--drop-report", "a report number from 1",
     [](std::string v, TargetSettings* s, std::string*) {
         std::uint64_t n = 0;
         if (!ParseNumber(v, 1, UINT64_MAX, &n)) return false;
         s->config.faults.drop_reports.insert(n);
         return true;
     }},
    {"--delay-ms", "0 to 600000",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 0, 600000, &s->config.faults.report_delay_ms);
     }},
    {"--close-after-frames", "a frame count from 1",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 1, UINT32_MAX, &s->frame_faults.close_after_frames);
     }},
    {"--corrupt-report", "a report number from 1",
     [](std::string v, TargetSettings* s, std::string*) {
         return SetNumber(v, 1, UINT32_MAX, &s->frame_faults.corrupt_report);
     }},
};

}  // namespace

FlagsOutcome ParseTargetFlags(int argc, const char* const* argv, TargetSettings* settings,
                              std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") return FlagsOutcome::kHelp;
        std::string value;
        bool inline_value = false;
        const std::size_t equals = flag.find('=');
        if (flag.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = flag.substr(equals + 1);
            flag.erase(equals);
            inline_value = true;
        }
        const Flag* known = nullptr;
        for (const Flag& f : kFlags) {
            if (flag == f.name) known = &f;
        }
        if (known == nullptr) {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return FlagsOutcome::kUsageError;
        }
        if (!inline_value) {
            if (i + 1 >= argc) {
                *error = flag + " needs " + known->takes;
                return FlagsOutcome::kUsageError;
            }
            value = argv[++i];
        }
        std::string why;
        if (!known->apply(value, settings, &why)) {
            *error = why.empty() ? flag + " takes " + known->takes + ", not '" + value + "'"
                                 : flag + ": " + why;
            return FlagsOutcome::kUsageError;
        }
    }
    return FlagsOutcome::kRun;
}

const char* TargetHelpText() {
    return kHelp;
}

}  // namespace quorvex::target_server
