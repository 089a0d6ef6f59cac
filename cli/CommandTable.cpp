// The command and option tables of the quorvex host.
#include "CommandTable.h"

namespace quorvex::cli {

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> table = {
        {"info", "info", "side, FDI version, root path, OS, extended mode",
         "quorvex --core ap info --json", 0, 0, 0, true},
        {"volumes", "volumes", "the target's volume names", "quorvex volumes", 0, 0, 0, true},
        {"ls", "ls [PATTERN]", "list the current folder (default pattern *)", "quorvex ls '*.bin'",
         0, 1, 0, true},
        {"get", "get FLASH [PC]",
         "copy a flash file to the PC (PC defaults to its base name; a folder receives it)",
         "quorvex get config.bin /tmp/", 1, 2, 0, true},
        {"put", "put PC [FLASH] [--verify|--no-verify] [--keep-partial]",
         "copy a PC file to flash; a failed write is removed unless --keep-partial",
         "quorvex put firmware.bin --verify", 1, 2, kOptVerify | kOptNoVerify | kOptKeepPartial,
         true},
        {"cmp", "cmp PC FLASH | cmp --clean",
         "compare a PC file with a flash file (exit 8 when they differ); --clean removes the "
         "kept copies",
         "quorvex cmp firmware.bin firmware.bin", 0, 2, kOptClean, true},
        {"rm", "rm FLASH", "delete a flash file", "quorvex rm old.log", 1, 1, 0, true},
        {"mv", "mv OLD NEW", "rename a flash file", "quorvex mv a.txt b.txt", 2, 2, 0, true},
        {"mkdir", "mkdir DIR [--mode N]", "create a directory (N octal)",
         "quorvex mkdir logs --mode 755", 1, 1, kOptMode, true},
        {"rmdir", "rmdir DIR", "remove an empty directory", "quorvex rmdir logs", 1, 1, 0, true},
        {"chmod", "chmod MODE FILE", "change a file's mode (octal)", "quorvex chmod 444 config.bin",
         2, 2, 0, true},
        {"df", "df [VOLUME]", "size, used and free space of a volume", "quorvex df", 0, 1, 0, true},
        {"format", "format [VOLUME] [--yes]",
         "format a volume (all its files are lost; asks first, --yes without a terminal)",
         "quorvex format dfm --yes", 0, 1, kOptYes, true},
        {"rtc", "rtc [YYYY-MM-DDTHH:MM:SS]", "set the target clock (default now, UTC; 1970-2037)",
         "quorvex rtc 2026-12-05T12:00:00", 0, 1, 0, true},
        {"reset", "reset", "restart the board", "quorvex reset", 0, 0, 0, true},
        {"settings", "settings [KEY [VALUE]]", "read or set the five switches (0 or 1)",
         "quorvex settings \"Verify After Write\" 0", 0, 2, 0, false},
    };
    return table;
}

const std::vector<OptionSpec>& CommandOptions() {
    static const std::vector<OptionSpec> table = {
        {"--verify", kOptVerify, false},
        {"--no-verify", kOptNoVerify, false},
        {"--keep-partial", kOptKeepPartial, false},
        {"--mode", kOptMode, true},
        {"--yes", kOptYes, false},
        {"--clean", kOptClean, false},
    };
    return table;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& spec : Commands()) {
        if (name == spec.name) return &spec;
    }
    return nullptr;
}

}  // namespace quorvex::cli
