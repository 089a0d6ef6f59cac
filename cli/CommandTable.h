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
    kOptLong = 1u << 6,         // ls -l: one line per entry with every field
    kOptByTime = 1u << 7,       // ls -t: newest first
    kOptBySize = 1u << 8,       // ls -S: largest first
    kOptReverse = 1u << 9,      // ls -r: the order reversed
    kOptHuman = 1u << 10,       // df -h: sizes in K, M, G
    kOptRecursive = 1u << 11,   // get -r, put -r: a whole folder tree
    kOptPull = 1u << 12,        // sync --pull: from flash to the PC
    kOptChecksum = 1u << 13,    // sync --checksum: judge by the bytes read back
    kOptDelete = 1u << 14,      // sync --delete: remove what the source lacks
    kOptDryRun = 1u << 15,      // sync --dry-run: print the plan only
};

// A command that takes any number of operands.
const std::size_t kManyOperands = 1u << 20;

struct CommandDef {
    const char* name;
    const char* usage;    // "get FLASH [PC]"
    const char* summary;  // one line: what it does
    const char* example;  // one command line
    std::size_t min_operands;
    std::size_t max_operands;
    unsigned options;   // CommandOption bits it accepts
    bool needs_target;  // false: runs without connecting
};

struct OptionDef {
    // "--verify", or "-l" for a one-letter option; a name may stand twice
    // with different meanings for different commands ("-r").
    const char* name;
    CommandOption bit;
    bool takes_value;
};

const std::vector<CommandDef>& Commands();
const std::vector<OptionDef>& CommandOptions();
// nullptr when there is no such command.
const CommandDef* FindCommand(const std::string& name);
// Global options, for "did you mean".
const std::vector<std::string>& GlobalOptionNames();

}  // namespace quorvex::cli
