// The dispatcher and the commands that change the target's files, folders
// and board in one exchange or two.
#include "Commands.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "Entries.h"
#include "Output.h"
#include "ProgressNotes.h"
#include "ResultText.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {

int Fail(CommandContext& c, int code, const std::string& message) {
    c.message = message;
    return code;
}

void Note(CommandContext& c, const std::string& text) {
    if (!c.quiet) c.notes.push_back(text);
}

void Confirm(const CommandContext& c, const std::string& text) {
    if (!c.quiet && !c.json) std::printf("%s\n", text.c_str());
}

std::string FullFlashPath(CFlashExplorerData& flash, const std::string& name) {
    const std::string prefix = static_cast<LPCSTR>(flash.GetVolumeAndPath());
    return name.find(prefix) != std::string::npos ? name : prefix + name;
}

namespace {

int Described(CommandContext& c, int code, const std::string& flash_name) {
    if (code == 0) return 0;
    return Fail(c, code, DescribeResult(code, FullFlashPath(*c.flash, flash_name), ""));
}

int Clock(CommandContext& c) {
    SYSTEMTIME t{};
    if (c.line->have_clock) {
        const ClockTime& k = c.line->clock;
        t = SYSTEMTIME{static_cast<WORD>(k.year),
                       static_cast<WORD>(k.month),
                       0,
                       static_cast<WORD>(k.day),
                       static_cast<WORD>(k.hour),
                       static_cast<WORD>(k.minute),
                       static_cast<WORD>(k.second),
                       0};
    } else {
        t = UtcNow();
    }
    const int result = c.flash->SetRTC(&t);
    char text[64];
    std::snprintf(text, sizeof(text), "target clock set to %04u-%02u-%02uT%02u:%02u:%02u", t.wYear,
                  t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    if (result == 0) Confirm(c, text);
    return result;
}

// rm: every name and every file a pattern matches; the first failure ends it.
int Remove(CommandContext& c) {
    std::vector<std::string> names;
    const int expanded = ExpandFlashNames(c, c.line->operands, &names);
    if (expanded != 0) return expanded;
    // Removals have no amount to show: the line counts files.
    if (names.size() > 1) PlanProgress(c, "rm", 0, names.size(), true);
    int result = 0;
    for (const std::string& name : names) {
        ProgressNote item;
        item.operation = "rm";
        item.name = name;
        item.sized = false;
        ItemProgress(c, std::move(item));
        result = Described(c, c.flash->RemoveFile(name.c_str()), name);
        ItemDoneProgress(c, result == 0);
        if (result != 0) break;
    }
    if (names.size() > 1) EndProgress(c, result == 0);
    return result;
}

}  // namespace

int RunCommand(CommandContext& c) {
    const std::string name = c.line->command->name;
    const std::vector<std::string>& a = c.line->operands;
    if (name == "settings") return RunSettingsCommand(c);
    if (name == "get" || name == "put" || name == "cmp" || name == "cat" || name == "sync") {
        return RunTransferCommand(c);
    }
    if (name == "info" || name == "volumes" || name == "ls" || name == "stat" || name == "df") {
        return RunListingCommand(c);
    }
    CFlashExplorerData& f = *c.flash;
    if (name == "rm") return Remove(c);
    if (name == "mv") {
        const int result = f.RenameFile(a[0].c_str(), a[1].c_str());
        if (result == 0) return 0;
        return Fail(c, result, DescribeResult(result, FullFlashPath(f, a[0]) + " -> " + a[1], ""));
    }
    if (name == "mkdir") {
        unsigned int fdi_result = 0;
        return Described(c, f.MakeDir(a[0].c_str(), static_cast<short>(c.line->mode), fdi_result),
                         a[0]);
    }
    if (name == "rmdir") return Described(c, f.RemoveDir(a[0].c_str()), a[0]);
    if (name == "chmod") return Described(c, f.ChangeMode(a[1].c_str(), c.line->mode), a[1]);
    if (name == "format") {
        if (!a.empty()) {
            const int listed = RequireListedVolume(c, a[0]);
            if (listed != 0) return listed;
        }
        ProgressNote item;
        item.operation = "format";
        item.name = a.empty() ? std::string(static_cast<LPCSTR>(f.GetVolumeAndPath())) : a[0];
        item.sized = false;
        ItemProgress(c, std::move(item));
        const int result = a.empty() ? f.FormatFlash() : f.FormatFlash(a[0].c_str());
        ItemDoneProgress(c, result == 0);
        if (result == 0 || a.empty()) return result;
        return Fail(c, result, DescribeResult(result, a[0], ""));
    }
    if (name == "rtc") return Clock(c);
    if (name == "reset") {
        if (!f.ResetBoard()) return Fail(c, 1, ResultMeaning(1));
        Confirm(c, "reset sent");
        return 0;
    }
    return Fail(c, kInternalStatus, "no handler for '" + name + "'");
}

}  // namespace quorvex::cli
