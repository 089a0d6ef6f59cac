// The commands that only read: info, volumes, ls and df.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "Entries.h"
#include "Output.h"
#include "PcSystem.h"
#include "ResultText.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {
namespace {

std::string Text(const CString& s) {
    return std::string(static_cast<LPCSTR>(s));
}

int Info(CommandContext& c) {
    CFlashExplorerData& f = *c.flash;
    const int side = f.GetTargetType();
    const std::string version = Text(side == 0 ? f.m_strFdiVersionCp : f.m_strFdiVersionAp);
    const std::string root = Text(f.GetVolumeAndPath());
    if (c.json) {
        std::printf("{\"side\":%d,\"fdi_version\":%s,\"root_path\":%s,\"extended_mode\":%s}\n",
                    side, Json(version).c_str(), Json(root).c_str(),
                    f.m_bExtendedMode ? "true" : "false");
        return 0;
    }
    static const char* const kOs[] = {"none", "RTOS", "Windows", "Linux"};
    const int os = f.m_pCommandLink != nullptr ? f.m_pCommandLink->GetTargetOsType(1) : 0;
    std::printf(
        "side           %s\nFDI version    %s\nroot path      %s\nOS (AP)        %s\n"
        "extended mode  %s\n",
        side == 0 ? "communication core (cp)" : "application core (ap)", version.c_str(),
        root.empty() ? "(none)" : root.c_str(), os >= 0 && os <= 3 ? kOs[os] : "other",
        f.m_bExtendedMode ? "yes" : "no");
    return 0;
}

int VolumeNames(CommandContext& c, std::vector<std::string>* names) {
    CStringList volumes;
    const int result = c.flash->GetVolumeList(volumes);
    if (result != 0) return result;
    for (POSITION pos = volumes.GetHeadPosition(); pos != nullptr;) {
        names->push_back(Text(volumes.GetNext(pos)));  // text up to the first NUL
    }
    return 0;
}

int Volumes(CommandContext& c) {
    std::vector<std::string> names;
    const int result = VolumeNames(c, &names);
    if (result != 0) return result;
    std::string out = c.json ? "[" : "";
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += c.json ? (i ? "," : "") + Json(names[i]) : names[i] + "\n";
    }
    std::printf("%s%s", out.c_str(), c.json ? "]\n" : "");
    return 0;
}

std::string Shown(const CString& date, const CString& time) {
    std::string iso = IsoTime(date, time);
    if (iso.empty()) return Text(date) + (date.IsEmpty() ? "" : " ") + Text(time);
    iso[10] = ' ';
    iso.pop_back();
    return iso;
}

int List(CommandContext& c) {
    const std::vector<std::string>& a = c.line->operands;
    std::vector<CFdiFile> entries;
    int result = 0;
    if (a.empty()) {
        result = ListFolder(c, "", &entries);
    } else if (IsPattern(a[0]) || a[0].back() == '/') {
        result = MatchEntries(c, a[0], &entries);
    } else {
        // A folder shows its contents, a file its own entry.
        CFdiFile entry;
        result = FindEntry(c, a[0], &entry);
        if (result == 0 && IsFolder(entry)) {
            result = ListFolder(c, a[0], &entries);
        } else if (result == 0) {
            entries.push_back(entry);
        } else if (result == kNotListed) {
            c.message.clear();
            result = 0;
        }
    }
    if (result != 0) return result;
    const unsigned o = c.line->options;
    const SortBy by = (o & kOptByTime)                   ? SortBy::kTime
                      : (o & kOptBySize)                 ? SortBy::kSize
                      : c.json && (o & kOptReverse) == 0 ? SortBy::kListing
                                                         : SortBy::kName;
    SortEntries(&entries, by, (o & kOptReverse) != 0);
    if (c.json) {
        std::string out = "[";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out += (i ? "," : "") + EntryJson(entries[i]);
        }
        std::printf("%s]\n", out.c_str());
        return 0;
    }
    // On a terminal a name from the target must not drive it.
    const bool terminal = isatty(STDOUT_FILENO) != 0;
    const auto shown = [&](const CFdiFile& e) {
        const std::string name = Text(e.m_strName) + (IsFolder(e) ? "/" : "");
        return terminal ? OneLine(name) : name;
    };
    if ((o & kOptLong) == 0) {
        for (const CFdiFile& e : entries) std::printf("%s\n", shown(e).c_str());
        return 0;
    }
    std::size_t width = 4;
    for (const CFdiFile& e : entries) {
        width = std::max(width, DisplayWidth(shown(e)));
    }
    std::printf("%s%*s  %-6s  %10s  %-19s  %-19s  %s\n", "NAME", static_cast<int>(width - 4), "",
                "TYPE", "SIZE", "CREATED", "MODIFIED", "MODE");
    for (const CFdiFile& e : entries) {
        const std::string name = shown(e);
        std::printf("%s%*s  %-6s  %10lu  %-19s  %-19s  %s%s\n", name.c_str(),
                    static_cast<int>(width - DisplayWidth(name)), "", TypeName(e).c_str(),
                    static_cast<unsigned long>(e.m_dwSize), Shown(e.m_strDate, e.m_strTime).c_str(),
                    Shown(e.m_strSecondDate, e.m_strSecondTime).c_str(), ModeText(e).c_str(),
                    e.IsReadOnly() ? " read-only" : "");
    }
    return 0;
}

int Stat(CommandContext& c) {
    CFdiFile e;
    const int result = FindEntry(c, c.line->operands[0], &e);
    if (result != 0) return result;
    if (c.json) {
        std::printf("%s\n", EntryJson(e).c_str());
        return 0;
    }
    const std::string modified = IsoTime(e.m_strSecondDate, e.m_strSecondTime);
    std::printf(
        "name        %s\ntype        %s\nsize        %lu bytes\ncreated     %s\nmodified    %s\n"
        "mode        %s%s\nattributes  %u\n",
        static_cast<LPCSTR>(e.m_strName), TypeName(e).c_str(),
        static_cast<unsigned long>(e.m_dwSize), IsoTime(e.m_strDate, e.m_strTime).c_str(),
        modified.empty() ? "(not kept by this target)" : modified.c_str(), ModeText(e).c_str(),
        e.IsReadOnly() ? " (read-only)" : "", e.m_wAttributes);
    return 0;
}

std::string Human(std::uint64_t bytes) {
    static const char kUnits[] = "BKMGT";
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof(text), "%lluB", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof(text), "%.1f%c", value, kUnits[unit]);
    }
    return text;
}

int Capacity(CommandContext& c, const std::string& volume_arg) {
    CFlashExplorerData& f = *c.flash;
    std::string volume = volume_arg;
    if (volume.empty()) {
        volume = Text(CQuorvexManager::Instance()->GetFirstPathPart(f.GetVolumeAndPath()));
    } else {
        const int listed = RequireListedVolume(c, volume);
        if (listed != 0) return listed;
    }
    std::uint64_t size = 0;
    DWORD available = 0;
    const int result = f.QueryCapacity(volume.c_str(), size, available);
    if (result != 0) return result;
    if (c.json) {
        const std::string used =
            size == 0 ? "null" : std::to_string(size > available ? size - available : 0);
        std::printf("{\"volume\":%s,\"size\":%llu,\"available\":%lu,\"used\":%s}\n",
                    Json(volume).c_str(), static_cast<unsigned long long>(size),
                    static_cast<unsigned long>(available), used.c_str());
        return 0;
    }
    const bool human = (c.line->options & kOptHuman) != 0;
    const auto amount = [&](std::uint64_t bytes) {
        return human ? Human(bytes) : std::to_string(bytes) + " bytes";
    };
    std::printf("volume     %s\n", volume.empty() ? "(default)" : volume.c_str());
    if (size == 0) {
        std::printf("free       %s\n", amount(available).c_str());
        return 0;
    }
    const std::uint64_t used = size > available ? size - available : 0;
    const int width = 30;
    const int filled = static_cast<int>(width * used / size);
    std::printf("size       %s\nused       %s\nfree       %s\nusage      [%.*s%*s] %llu%%\n",
                amount(size).c_str(), amount(used).c_str(), amount(available).c_str(), filled,
                "##############################", width - filled, "",
                static_cast<unsigned long long>(100 * used / size));
    return 0;
}

}  // namespace

int RequireListedVolume(CommandContext& c, const std::string& volume) {
    std::vector<std::string> names;
    const int result = VolumeNames(c, &names);
    if (result != 0) return result;
    if (std::find(names.begin(), names.end(), volume) != names.end()) return 0;
    std::string listed;
    for (const std::string& n : names) listed += (listed.empty() ? "" : ", ") + n;
    return Fail(c, kUsageStatus,
                "the target has no volume '" + volume +
                    "' (it lists: " + (listed.empty() ? "none" : listed) + ")");
}

int ListFolder(CommandContext& c, const std::string& folder, std::vector<CFdiFile>* out) {
    const CFdiFileList* list = nullptr;
    std::string pattern = folder;
    while (!pattern.empty() && pattern.back() == '/') pattern.pop_back();
    pattern += pattern.empty() ? "*" : "/*";
    const int result = c.flash->GetFileList(list, pattern.c_str());
    if (result != 0 && result < 100) {  // a link failure is not about the folder
        return Fail(c, result, DescribeResult(result, FullFlashPath(*c.flash, pattern), ""));
    }
    if (result != 0) return result;
    out->clear();
    if (list == nullptr) return 0;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;)
        out->push_back(list->GetNext(pos));
    return 0;
}

int MatchEntries(CommandContext& c, const std::string& operand, std::vector<CFdiFile>* out) {
    const auto slash = operand.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : operand.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? operand : operand.substr(slash + 1);
    if (IsPattern(folder)) {
        return Fail(c, kUsageStatus,
                    "patterns match names inside one folder, not '" + operand + "'");
    }
    std::vector<CFdiFile> all;
    const int result = ListFolder(c, folder, &all);
    if (result != 0) return result;
    out->clear();
    for (const CFdiFile& e : all) {
        if (pattern.empty() || NameMatches(pattern, e.m_strName)) {
            out->push_back(e);
        }
    }
    return 0;
}

int ExpandFlashNames(CommandContext& c, const std::vector<std::string>& operands,
                     std::vector<std::string>* names) {
    for (const std::string& operand : operands) {
        if (!IsPattern(operand)) {
            names->push_back(operand);
            continue;
        }
        std::vector<CFdiFile> matched;
        const int result = MatchEntries(c, operand, &matched);
        if (result != 0) return result;
        const auto slash = operand.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : operand.substr(0, slash + 1);
        std::size_t files = 0;
        for (const CFdiFile& e : matched) {
            if (IsFolder(e)) continue;
            names->push_back(folder + static_cast<LPCSTR>(e.m_strName));
            ++files;
        }
        if (files == 0) {
            return Fail(c, kNotListed, "no flash file matches " + FullFlashPath(*c.flash, operand));
        }
    }
    return 0;
}

int FindEntry(CommandContext& c, const std::string& name, CFdiFile* out) {
    std::string path = name;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<CFdiFile> all;
    const int result = ListFolder(c, folder, &all);
    if (result != 0) return result;
    for (const CFdiFile& e : all) {
        if (base == static_cast<LPCSTR>(e.m_strName)) {
            *out = e;
            return 0;
        }
    }
    return Fail(c, kNotListed,
                DescribeResult(kNotListed, FullFlashPath(*c.flash, path), "") +
                    "; its folder does not list it");
}

int RunListingCommand(CommandContext& c) {
    const std::string name = c.line->command->name;
    const std::vector<std::string>& a = c.line->operands;
    if (name == "info") return Info(c);
    if (name == "volumes") return Volumes(c);
    if (name == "ls") return List(c);
    if (name == "stat") return Stat(c);
    return Capacity(c, a.empty() ? "" : a[0]);
}

}  // namespace quorvex::cli
