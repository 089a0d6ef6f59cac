// The commands that only read: info, volumes, ls and df.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
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

int List(CommandContext& c, const std::string& pattern) {
    const CFdiFileList* list = nullptr;
    const int result = c.flash->GetFileList(list, pattern.c_str());
    if (result != 0) return result;
    if (list == nullptr) return 0;
    if (c.json) {
        std::string out = "[";
        bool first = true;
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
            const CFdiFile& e = list->GetNext(pos);
            out += std::string(first ? "" : ",") + "{\"name\":" + Json(Text(e.m_strName)) +
                   ",\"time\":" + Json(Text(e.m_strTime)) + ",\"date\":" + Json(Text(e.m_strDate)) +
                   ",\"second_time\":" + Json(Text(e.m_strSecondTime)) +
                   ",\"second_date\":" + Json(Text(e.m_strSecondDate)) +
                   ",\"size\":" + std::to_string(e.m_dwSize) +
                   ",\"size_text\":" + Json(Text(e.m_strSize)) +
                   ",\"attributes\":" + std::to_string(e.m_wAttributes) +
                   ",\"read_only\":" + (e.IsReadOnly() ? "true" : "false") + "}";
            first = false;
        }
        std::printf("%s]\n", out.c_str());
        return 0;
    }
    std::size_t width = 4;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        width = std::max<std::size_t>(width, list->GetNext(pos).m_strName.GetLength());
    }
    std::printf("%-*s  %10s  %-19s  %-19s  %s\n", static_cast<int>(width), "NAME", "SIZE",
                "CREATED", "MODIFIED", "MODE");
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const CFdiFile& e = list->GetNext(pos);
        const std::string created = Text(e.m_strDate) + " " + Text(e.m_strTime);
        const std::string modified = e.m_strSecondDate.IsEmpty()
                                         ? ""
                                         : Text(e.m_strSecondDate) + " " + Text(e.m_strSecondTime);
        std::printf("%-*s  %10s  %-19s  %-19s  %04o%s\n", static_cast<int>(width),
                    static_cast<LPCSTR>(e.m_strName), static_cast<LPCSTR>(e.m_strSize),
                    created.c_str(), modified.c_str(), e.m_wAttributes,
                    e.IsReadOnly() ? " read-only" : "");
    }
    return 0;
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
        std::printf("{\"volume\":%s,\"size\":%llu,\"available\":%lu}\n", Json(volume).c_str(),
                    static_cast<unsigned long long>(size), static_cast<unsigned long>(available));
        return 0;
    }
    std::printf("volume     %s\n", volume.empty() ? "(default)" : volume.c_str());
    if (size == 0) {
        std::printf("free       %lu bytes\n", static_cast<unsigned long>(available));
        return 0;
    }
    const std::uint64_t used = size > available ? size - available : 0;
    const int width = 30;
    const int filled = static_cast<int>(width * used / size);
    std::printf(
        "size       %llu bytes\nused       %llu bytes\nfree       %lu bytes\n"
        "usage      [%.*s%*s] %llu%%\n",
        static_cast<unsigned long long>(size), static_cast<unsigned long long>(used),
        static_cast<unsigned long>(available), filled, "##############################",
        width - filled, "", static_cast<unsigned long long>(100 * used / size));
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

int RunListingCommand(CommandContext& c) {
    const std::string name = c.line->command->name;
    const std::vector<std::string>& a = c.line->operands;
    if (name == "info") return Info(c);
    if (name == "volumes") return Volumes(c);
    if (name == "ls") return List(c, a.empty() ? "*" : a[0]);
    return Capacity(c, a.empty() ? "" : a[0]);
}

}  // namespace quorvex::cli
