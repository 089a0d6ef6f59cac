// libFuzzer entry for the quorvex command-line parser. Input: argv[1..]
// separated by NUL bytes. The parser is pure (no file, setting or module), so
// no target is needed. Whatever the words: a run names a command with an
// operand count and options it takes, a refusal carries a one-line reason, and
// the clock and mode parsers accept only what the target can hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace {

using quorvex::cli::ClockTime;
using quorvex::cli::CommandLine;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

bool RealTime(const ClockTime& t) {
    static const unsigned days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = t.year % 4 == 0;  // 2000 is the only century year in range
    return t.year >= 1970 && t.year <= 2037 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= days[t.month - 1] - (t.month == 2 && !leap ? 1 : 0) && t.hour < 24 &&
           t.minute < 60 && t.second < 60;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    const CommandLine line = quorvex::cli::ParseCommandLine(args);
    switch (line.action) {
        case CommandLine::Action::kRun:
            Check(line.command != nullptr && line.error.empty(), "a run without a command");
            Check(line.operands.size() >= line.command->min_operands &&
                      line.operands.size() <= line.command->max_operands,
                  "a run with an operand count its command does not take");
            Check((line.options & ~line.command->options) == 0,
                  "a run with an option its command does not take");
            Check(!line.have_clock || RealTime(line.clock), "a clock time the target cannot hold");
            Check(line.mode >= 0 && line.mode <= 07777, "a mode beyond 07777");
            break;
        case CommandLine::Action::kUsageError:
            Check(!line.error.empty() && line.error.find('\n') == std::string::npos,
                  "a refusal without a one-line reason");
            break;
        default:
            break;
    }
    Check(line.global.core.empty() || line.global.core == "cp" || line.global.core == "ap",
          "a core other than cp or ap");
    for (const auto& arg : args) {
        ClockTime time{};
        Check(!quorvex::cli::ParseClockTime(arg, &time) || RealTime(time),
              "a clock time the target cannot hold");
        int mode = -1;
        Check(!quorvex::cli::ParseOctalMode(arg, &mode) || (mode >= 0 && mode <= 07777),
              "a mode beyond 07777");
    }
    return 0;
}
