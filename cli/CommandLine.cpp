// Parsing and checking the quorvex command line.
#include "CommandLine.h"

#include <algorithm>
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
            if (arg == "--version") {
                line_.action = CommandLine::Action::kVersion;
                return line_;
            }
            const bool human = line_.command != nullptr && (line_.command->options & kOptHuman);
            if (arg == "--help" || (arg == "-h" && !human)) {
                line_.action = line_.command != nullptr ? CommandLine::Action::kCommandHelp
                                                        : CommandLine::Action::kHelp;
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
        // The message quotes the user's words: control characters are shown
        // escaped, so the refusal stays one line and sends nothing to the terminal.
        for (const char c : message) {
            if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
                line_.error += c;
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned char>(c));
                line_.error += escaped;
            }
        }
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
        if (line_.command != nullptr) return;
        std::vector<std::string> names;
        for (const CommandDef& c : Commands()) names.push_back(c.name);
        Fail("unknown command '" + arg + "'" + Suggest(arg, names));
    }

    void Option(const std::string& arg) {
        GlobalOptions& g = line_.global;
        std::string value;
        if (arg == "--json") {
            g.json = true;
        } else if (arg == "-q" || arg == "--quiet") {
            g.quiet = true;
        } else if (arg == "-v" || arg == "--verbose") {
            g.verbose = true;
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
        if (arg.size() > 2 && arg[1] != '-' && line_.command != nullptr) {
            for (std::size_t k = 1; k < arg.size(); ++k) {
                if (!TakesOption(std::string("-") + arg[k])) {
                    return Fail("unknown option '-" + std::string(1, arg[k]) + "' in '" + arg +
                                "'");
                }
            }
            for (std::size_t k = 1; k < arg.size(); ++k)
                CommandOptionWord(std::string("-") + arg[k]);
            return;
        }
        bool known = false;
        for (const OptionDef& option : CommandOptions()) {
            if (arg != option.name) continue;
            known = true;
            if (line_.command == nullptr) return Fail(arg + " belongs after a command");
            if ((line_.command->options & option.bit) == 0) continue;
            line_.options |= option.bit;
            std::string value;
            if (option.bit == kOptMode && Value(arg, &value) &&
                !ParseOctalMode(value, &line_.mode)) {
                Fail("--mode is octal, e.g. 755, not '" + value + "'");
            }
            if (!option.takes_value && has_inline_value_) Fail(arg + " takes no value");
            return;
        }
        if (known) return Fail(std::string(line_.command->name) + " does not take " + arg);
        std::vector<std::string> names = GlobalOptionNames();
        for (const OptionDef& option : CommandOptions()) {
            if (line_.command == nullptr || TakesOption(option.name)) names.push_back(option.name);
        }
        Fail("unknown option '" + arg + "'" + Suggest(arg, names));
    }

    bool TakesOption(const std::string& name) const {
        for (const OptionDef& option : CommandOptions()) {
            if (name == option.name && (line_.command->options & option.bit) != 0) return true;
        }
        return false;
    }

    static std::string Suggest(const std::string& typed, const std::vector<std::string>& names) {
        const std::string nearest = NearestName(typed, names);
        return nearest.empty() ? "" : "; did you mean '" + nearest + "'?";
    }

    void Finish() {
        const CommandDef* c = line_.command;
        if (c == nullptr) return Fail("no command given");
        if (!line_.error.empty()) return;
        const std::string name = c->name;
        const std::size_t n = line_.operands.size();
        if (name == "cmp") {
            if ((line_.options & kOptClean) != 0 && n != 0)
                return Fail("cmp --clean takes no files");
            if ((line_.options & kOptClean) == 0 && n < 2) return Fail("cmp needs PC and FLASH");
        }
        if (n < c->min_operands) return Fail(name + " needs more operands");
        if (n > c->max_operands) {
            if (c->max_operands == 0) return Fail(name + " takes no operands");
            return Fail(name + " takes at most " + std::to_string(c->max_operands) + " operand" +
                        (c->max_operands == 1 ? "" : "s") + ", not " + std::to_string(n));
        }
        if ((line_.options & kOptRecursive) != 0 && n != 2) {
            return Fail(name + " -r takes one folder and its destination");
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

std::string NearestName(const std::string& typed, const std::vector<std::string>& names) {
    // Edit distance, one row at a time; names are short.
    std::string best;
    std::size_t best_distance = typed.size() <= 4 ? 1 : 2;
    for (const std::string& name : names) {
        std::vector<std::size_t> row(name.size() + 1);
        for (std::size_t j = 0; j <= name.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= typed.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= name.size(); ++j) {
                const std::size_t up = row[j];
                row[j] = std::min(
                    {row[j] + 1, row[j - 1] + 1, diagonal + (typed[i - 1] == name[j - 1] ? 0 : 1)});
                diagonal = up;
            }
        }
        if (row[name.size()] <= best_distance &&
            (best.empty() || row[name.size()] < best_distance)) {
            best = name;
            best_distance = row[name.size()];
        }
    }
    return best;
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
