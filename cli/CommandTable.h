// The commands of the quorvex host as data: their names, usage lines,
// operand counts and the options each one takes. Shared by the parser, the
// help texts and the dispatcher; knows nothing of the module.
#pragma once

#include <string>
#include <vector>

namespace quorvex::cli {

// Options that belong to a command (written after its name).
enum CommandOption : unsigned {
    kOptVerify = 1u << 0,       // put: read back and compare
    kOptNoVerify = 1u << 1,     // put: skip the read-back "Verify After Write" asks for
    kOptKeepPartial = 1u << 2,  // put: keep what a failed write left on the target
    kOptMode = 1u << 3,         // mkdir: --mode N (octal)
    kOptYes = 1u << 4,          // format: no confirmation question
    kOptClean = 1u << 5,        // cmp: remove the kept differing copies
};

struct CommandSpec {
    const char* name;
    const char* usage;    // "get FLASH [PC]"
    const char* summary;  // one line: what it does
    const char* example;  // one command line
    std::size_t min_operands;
    std::size_t max_operands;
    unsigned options;   // CommandOption bits it accepts
    bool needs_target;  // false: runs without connecting
};

struct OptionSpec {
    const char* name;  // "--verify"
    CommandOption bit;
    bool takes_value;
};

const std::vector<CommandSpec>& Commands();
const std::vector<OptionSpec>& CommandOptions();
// nullptr when there is no such command.
const CommandSpec* FindCommand(const std::string& name);

}  // namespace quorvex::cli
