// Parsing and checking the quorvex command line.
#include "CommandLine.h"

#include <cstdio>

namespace quorvex::cli {
namespace {

bool IsLeapYear(unsigned y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool AllDigits(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

unsigned Number(const std::string& text, std::size_t from, std::size_t count) {
    unsigned v = 0;
    for (std::size_t i = from; i < from + count; ++i) v = v * 10 + (text[i] - '0');
    return v;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CommandLine Run() {
        bool options_ended = false;
        for (i_ = 0; i_ < args_.size(); ++i_) {
            std::string arg = args_[i_];
            if (options_ended || arg.size() < 2 || arg[0] != '-') {
                Word(arg);
                continue;
            }
            if (arg == "--") {
                options_ended = true;
                continue;
            }
            inline_value_.clear();
            has_inline_value_ = false;
            const std::size_t equals = arg.find('=');
            if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
                inline_value_ = arg.substr(equals + 1);
                has_inline_value_ = true;
                arg.resize(equals);
            }
            if (arg == "--help" || arg == "-h") {
                line_.action = line_.command != nullptr ? CommandLine::Action::kCommandHelp
                                                        : CommandLine::Action::kHelp;
                line_.error.clear();
                return line_;
            }
            Option(arg);
        }
        Finish();
        return line_;
    }

  private:
    void Fail(const std::string& message) {
        if (!line_.error.empty()) return;  // the first problem is the one to report
        line_.action = CommandLine::Action::kUsageError;
        line_.error = message;
        if (line_.command != nullptr) {
            line_.error += std::string(" (usage: quorvex ") + line_.command->usage + ")";
        } else {
            line_.error += " (see quorvex --help)";
        }
    }

    // The option's value: "--name=value" or the next argument.
    bool Value(const std::string& name, std::string* out) {
        if (has_inline_value_) {
            *out = inline_value_;
            return true;
        }
        if (i_ + 1 >= args_.size()) {
            Fail(name + " needs a value");
            return false;
        }
        *out = args_[++i_];
        return true;
    }

    void Word(const std::string& arg) {
        if (line_.command != nullptr) {
            line_.operands.push_back(arg);
            return;
        }
        line_.command = FindCommand(arg);
        if (line_.command == nullptr) Fail("unknown command '" + arg + "'");
    }

    void Option(const std::string& arg) {
        GlobalOptions& g = line_.global;
        std::string value;
        if (arg == "--json") {
            g.json = true;
        } else if (arg == "--target") {
            if (Value(arg, &value)) g.endpoint = value;
        } else if (arg == "--core") {
            if (!Value(arg, &value)) return;
            if (value != "cp" && value != "ap")
                return Fail("--core is cp or ap, not '" + value + "'");
            g.core = value;
        } else if (arg == "--instance") {
            if (Value(arg, &value)) g.instance = value;
        } else if (arg == "--path") {
            if (!Value(arg, &value)) return;
            g.path = value;
            g.have_path = true;
        } else if (arg == "--trace") {
            if (!Value(arg, &value)) return;
            if (value.empty()) return Fail("--trace needs a file or -");
            g.trace = value;
        } else if (arg == "--progress") {
            if (!Value(arg, &value)) return;
            if (value == "auto") {
                g.progress = ProgressChoice::kAuto;
            } else if (value == "bar") {
                g.progress = ProgressChoice::kBar;
            } else if (value == "json") {
                g.progress = ProgressChoice::kJson;
            } else if (value == "none") {
                g.progress = ProgressChoice::kNone;
            } else {
                Fail("--progress is auto, bar, json or none, not '" + value + "'");
            }
        } else {
            CommandOptionWord(arg);
        }
    }

    void CommandOptionWord(const std::string& arg) {
        for (const OptionSpec& option : CommandOptions()) {
            if (arg != option.name) continue;
            if (line_.command == nullptr) return Fail(arg + " belongs after a command");
            if ((line_.command->options & option.bit) == 0) {
                return Fail(std::string(line_.command->name) + " does not take " + arg);
            }
            line_.options |= option.bit;
            std::string value;
            if (option.bit == kOptMode && Value(arg, &value) &&
                !ParseOctalMode(value, &line_.mode)) {
                Fail("--mode is octal, e.g. 755, not '" + value + "'");
            }
            if (!option.takes_value && has_inline_value_) Fail(arg + " takes no value");
            return;
        }
        Fail("unknown option '" + arg + "'");
    }

    void Finish() {
        const CommandSpec* c = line_.command;
        if (c == nullptr) return Fail("no command given");
        if (!line_.error.empty()) return;
        const std::string name = c->name;
        const std::size_t n = line_.operands.size();
        if (name == "cmp") {
            if ((line_.options & kOptClean) != 0 && n != 0)
                return Fail("cmp --clean takes no files");
            if ((line_.options & kOptClean) == 0 && n != 2) return Fail("cmp needs PC and FLASH");
        }
        if (n < c->min_operands) return Fail(name + " needs more operands");
        if (n > c->max_operands) {
            if (c->max_operands == 0) return Fail(name + " takes no operands");
            return Fail(name + " takes at most " + std::to_string(c->max_operands) + " operand" +
                        (c->max_operands == 1 ? "" : "s") + ", not " + std::to_string(n));
        }
        if ((line_.options & kOptVerify) != 0 && (line_.options & kOptNoVerify) != 0) {
            return Fail("--verify and --no-verify exclude each other");
        }
        for (const std::string& operand : line_.operands) {
            if (operand.empty()) return Fail("an empty name is not a file");
        }
        if (name == "chmod" && !ParseOctalMode(line_.operands[0], &line_.mode)) {
            return Fail("MODE is octal, e.g. 444, not '" + line_.operands[0] + "'");
        }
        if (name == "rtc" && n == 1) {
            if (!ParseClockTime(line_.operands[0], &line_.clock)) {
                return Fail("rtc takes a real time YYYY-MM-DDTHH:MM:SS from 1970 to 2037, not '" +
                            line_.operands[0] + "'");
            }
            line_.have_clock = true;
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    std::string inline_value_;
    bool has_inline_value_ = false;
    CommandLine line_;
};

}  // namespace

bool ParseClockTime(const std::string& text, ClockTime* out) {
    // YYYY-MM-DDTHH:MM:SS, every field its full width.
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':') {
        return false;
    }
    for (std::size_t at : {0u, 5u, 8u, 11u, 14u, 17u}) {
        if (!AllDigits(text, at, at == 0 ? 4 : 2)) return false;
    }
    ClockTime t{Number(text, 0, 4),  Number(text, 5, 2),  Number(text, 8, 2),
                Number(text, 11, 2), Number(text, 14, 2), Number(text, 17, 2)};
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1970 || t.year > 2037 || t.month < 1 || t.month > 12) return false;
    const unsigned days = kDays[t.month - 1] + (t.month == 2 && IsLeapYear(t.year) ? 1 : 0);
    if (t.day < 1 || t.day > days || t.hour > 23 || t.minute > 59 || t.second > 59) return false;
    *out = t;
    return true;
}

bool ParseOctalMode(const std::string& text, int* mode) {
    if (text.empty() || text.size() > 5) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return false;
        v = v * 8 + (c - '0');
    }
    if (v > 07777) return false;
    *mode = v;
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    return Parser(args).Run();
}

}  // namespace quorvex::cli
