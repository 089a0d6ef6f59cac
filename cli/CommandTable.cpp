// The command and option tables of the quorvex host.
#include "CommandTable.h"

namespace quorvex::cli {

const std::vector<CommandDef>& Commands() {
    static const std::vector<CommandDef> table = {
        {"info", "info", "side, FDI version, root path, OS, extended mode",
         "quorvex --core ap info --json", 0, 0, 0, true},
        {"volumes", "volumes", "the target's volume names", "quorvex volumes", 0, 0, 0, true},
        {"ls", "ls [-l] [-t|-S] [-r] [FOLDER|PATTERN]",
         "list a folder's entries by name (folders end in /); patterns may hold * ? [...]",
         "quorvex ls -l '*.bin'", 0, 1, kOptLong | kOptByTime | kOptBySize | kOptReverse, true},
        {"stat", "stat FLASH", "one entry in full: type, size, both time stamps, mode",
         "quorvex stat config.bin", 1, 1, 0, true},
        {"cat", "cat FLASH", "write a flash file to stdout", "quorvex cat log.txt | less", 1, 1, 0,
         true},
        {"get", "get [-r] FLASH... [PC]",
         "copy flash files (or patterns, or with -r a folder tree) to the PC",
         "quorvex get '*.log' logs/", 1, kManyOperands, kOptRecursive, true},
        {"put", "put [-r] PC... [FLASH] [--verify|--no-verify] [--keep-partial]",
         "copy PC files (or with -r a folder tree) to flash; a failed write is removed",
         "quorvex put -r logs logs", 1, kManyOperands,
         kOptVerify | kOptNoVerify | kOptKeepPartial | kOptRecursive, true},
        {"sync", "sync [--pull] [--checksum] [--delete] [--dry-run] PCDIR FLASHDIR",
         "copy what differs from PCDIR to FLASHDIR (--pull: the other way)",
         "quorvex sync --delete site dfm/site", 2, 2,
         kOptPull | kOptChecksum | kOptDelete | kOptDryRun | kOptNoVerify | kOptVerify, true},
        {"cmp", "cmp PC... FLASH | cmp --clean",
         "compare PC files with flash files (exit 8 when any differ; several go to the folder "
         "FLASH); --clean removes the kept copies",
         "quorvex cmp firmware.bin firmware.bin", 0, kManyOperands, kOptClean, true},
        {"rm", "rm FLASH...", "delete flash files (or patterns)", "quorvex rm '*.old'", 1,
         kManyOperands, 0, true},
        {"mv", "mv OLD NEW", "rename a flash file", "quorvex mv a.txt b.txt", 2, 2, 0, true},
        {"mkdir", "mkdir DIR [--mode N]", "create a directory (N octal)",
         "quorvex mkdir logs --mode 755", 1, 1, kOptMode, true},
        {"rmdir", "rmdir DIR", "remove an empty directory", "quorvex rmdir logs", 1, 1, 0, true},
        {"chmod", "chmod MODE FILE", "change a file's mode (octal)", "quorvex chmod 444 config.bin",
         2, 2, 0, true},
        {"df", "df [-h] [VOLUME]", "size, used and free space of a volume (-h: K, M, G)",
         "quorvex df -h", 0, 1, kOptHuman, true},
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

const std::vector<OptionDef>& CommandOptions() {
    static const std::vector<OptionDef> table = {
        {"--verify", kOptVerify, false},
        {"--no-verify", kOptNoVerify, false},
        {"--keep-partial", kOptKeepPartial, false},
        {"--mode", kOptMode, true},
        {"--yes", kOptYes, false},
        {"--clean", kOptClean, false},
        {"-l", kOptLong, false},
        {"-t", kOptByTime, false},
        {"-S", kOptBySize, false},
        {"-r", kOptReverse, false},
        {"-h", kOptHuman, false},
        {"-r", kOptRecursive, false},
        {"--recursive", kOptRecursive, false},
        {"--pull", kOptPull, false},
        {"--checksum", kOptChecksum, false},
        {"--delete", kOptDelete, false},
        {"--dry-run", kOptDryRun, false},
        {"-n", kOptDryRun, false},
    };
    return table;
}

const std::vector<std::string>& GlobalOptionNames() {
    static const std::vector<std::string> names = {
        "--target", "--core", "--instance", "--path",  "--trace",   "--progress",
        "--json",   "--help", "--version",  "--quiet", "--verbose",
    };
    return names;
}

const CommandDef* FindCommand(const std::string& name) {
    for (const CommandDef& command : Commands()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

}  // namespace quorvex::cli
