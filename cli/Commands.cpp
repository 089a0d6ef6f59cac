// What each command of the quorvex host does with the module.
#include "Commands.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "hostlib/hostpaths.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {
namespace {

const int kUsage = 64;
const char kSettingsSection[] = "Quorvex Settings";
const char* const kSettingsKeys[] = {"Update RTC", "Update Diagnosis Information",
                                     "Available Space", "FDI Ver Check", "Verify After Write"};

int Usage(const std::string& line) {
    std::fprintf(stderr, "quorvex: %s (see quorvex --help)\n", line.c_str());
    return kUsage;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Text(const CString& s) {
    return std::string(static_cast<LPCSTR>(s));
}

std::string BaseName(const std::string& path) {
    const auto at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool ParseOctal(const std::string& text, int* value) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return false;
        v = v * 8 + (c - '0');
    }
    *value = v;
    return true;
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

int Volumes(CommandContext& c) {
    CStringList volumes;
    const int result = c.flash->GetVolumeList(volumes);
    if (result != 0) return result;
    std::string out = c.json ? "[" : "";
    bool first = true;
    for (POSITION pos = volumes.GetHeadPosition(); pos != nullptr;) {
        const std::string name = Text(volumes.GetNext(pos));  // text up to the first NUL
        if (c.json) {
            out += (first ? "" : ",") + Json(name);
        } else {
            out += name + "\n";
        }
        first = false;
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
            char numbers[96];
            std::snprintf(numbers, sizeof(numbers), "\"size\":%lu,",
                          static_cast<unsigned long>(e.m_dwSize));
            out += std::string(first ? "" : ",") + "{\"name\":" + Json(Text(e.m_strName)) +
                   ",\"time\":" + Json(Text(e.m_strTime)) + ",\"date\":" + Json(Text(e.m_strDate)) +
                   ",\"second_time\":" + Json(Text(e.m_strSecondTime)) +
                   ",\"second_date\":" + Json(Text(e.m_strSecondDate)) + "," + numbers +
                   "\"size_text\":" + Json(Text(e.m_strSize)) +
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

int Clock(CommandContext& c, const std::string& when) {
    SYSTEMTIME t{};
    if (when.empty()) {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        t.wYear = static_cast<WORD>(utc.tm_year + 1900);
        t.wMonth = static_cast<WORD>(utc.tm_mon + 1);
        t.wDay = static_cast<WORD>(utc.tm_mday);
        t.wHour = static_cast<WORD>(utc.tm_hour);
        t.wMinute = static_cast<WORD>(utc.tm_min);
        t.wSecond = static_cast<WORD>(utc.tm_sec);
    } else {
        unsigned y, mo, d, h, mi, s;
        char tail;
        if (std::sscanf(when.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s,
                        &tail) != 6 ||
            mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
            return Usage("rtc takes YYYY-MM-DDTHH:MM:SS, not '" + when + "'");
        }
        t = SYSTEMTIME{static_cast<WORD>(y),
                       static_cast<WORD>(mo),
                       0,
                       static_cast<WORD>(d),
                       static_cast<WORD>(h),
                       static_cast<WORD>(mi),
                       static_cast<WORD>(s),
                       0};
    }
    const int result = c.flash->SetRTC(&t);
    if (result == 0 && !c.json) {
        std::printf("target clock set to %04u-%02u-%02uT%02u:%02u:%02u\n", t.wYear, t.wMonth,
                    t.wDay, t.wHour, t.wMinute, t.wSecond);
    }
    return result;
}

int Settings(CommandContext& c, const std::vector<std::string>& a) {
    CHostPaths* store = GetHostPaths();
    if (a.size() == 1) {
        std::string out = c.json ? "{" : "";
        for (std::size_t i = 0; i < 5; ++i) {
            const int v = store->ReadSettingInt(kSettingsSection, kSettingsKeys[i], 1);
            if (c.json) {
                out += (i ? "," : "") + Json(kSettingsKeys[i]) + ":" + std::to_string(v);
            } else {
                out += std::string(kSettingsKeys[i]) + " = " + std::to_string(v) + "\n";
            }
        }
        std::printf("%s%s", out.c_str(), c.json ? "}\n" : "");
        return 0;
    }
    bool known = false;
    for (const char* key : kSettingsKeys) known = known || a[1] == key;
    if (!known)
        return Usage("unknown setting '" + a[1] + "' (run 'quorvex settings' for the keys)");
    if (a.size() == 2) {
        std::printf("%d\n", store->ReadSettingInt(kSettingsSection, a[1].c_str(), 1));
        return 0;
    }
    if (a[2] != "0" && a[2] != "1") return Usage("a setting is 0 or 1");
    store->WriteSettingInt(kSettingsSection, a[1].c_str(), a[2] == "1" ? 1 : 0);
    return 0;
}

}  // namespace

bool IsLocalCommand(const std::string& name) {
    return name == "settings";
}

bool IsTransferCommand(const std::string& name) {
    return name == "get" || name == "put";
}

int RunCommand(CommandContext& c, const std::vector<std::string>& a) {
    const std::string& name = a[0];
    const std::size_t n = a.size();
    if (name == "settings" && n <= 3) return Settings(c, a);
    if (c.flash == nullptr) return Usage("'" + name + "' needs a target");
    CFlashExplorerData& f = *c.flash;
    if (name == "info" && n == 1) return Info(c);
    if (name == "volumes" && n == 1) return Volumes(c);
    if (name == "ls" && n <= 2) return List(c, n == 2 ? a[1] : "*");
    if (name == "get" && (n == 2 || n == 3)) {
        const CFdiFileList* cached = nullptr;
        // The listed size gives the progress its total; only this file is listed.
        f.GetFileList(cached, a[1].c_str());
        return f.ReadFile((n == 3 ? a[2] : BaseName(a[1])).c_str(), a[1].c_str());
    }
    if (name == "put" && n >= 2 && n <= 4) {
        bool verify = false;
        std::vector<std::string> rest;
        for (std::size_t i = 1; i < n; ++i) {
            if (a[i] == "--verify") {
                verify = true;
            } else {
                rest.push_back(a[i]);
            }
        }
        if (rest.empty() || rest.size() > 2) return Usage("put PC [FLASH] [--verify]");
        const std::string flash = rest.size() == 2 ? rest[1] : BaseName(rest[0]);
        return f.WriteFile(flash.c_str(), rest[0].c_str(), verify ? 1 : 0);
    }
    if (name == "cmp" && n == 3) {
        const int result = f.ComparePcFileWithFlashFile(a[1].c_str(), a[2].c_str());
        if (result == 0 && !c.json)
            std::printf("%s and %s are identical\n", a[1].c_str(), a[2].c_str());
        return result;
    }
    if (name == "rm" && n == 2) return f.RemoveFile(a[1].c_str());
    if (name == "mv" && n == 3) return f.RenameFile(a[1].c_str(), a[2].c_str());
    if (name == "mkdir" && (n == 2 || n == 4)) {
        int mode = 0777;
        if (n == 4 && (a[2] != "--mode" || !ParseOctal(a[3], &mode))) {
            return Usage("mkdir DIR [--mode N] (N octal, e.g. 755)");
        }
        unsigned int fdi_result = 0;
        return f.MakeDir(a[1].c_str(), static_cast<short>(mode), fdi_result);
    }
    if (name == "rmdir" && n == 2) return f.RemoveDir(a[1].c_str());
    if (name == "chmod" && n == 3) {
        int mode = 0;
        if (!ParseOctal(a[1], &mode)) return Usage("chmod MODE FILE (MODE octal, e.g. 444)");
        return f.ChangeMode(a[2].c_str(), mode);
    }
    if (name == "df" && n <= 2) return Capacity(c, n == 2 ? a[1] : "");
    if (name == "format" && n <= 2) return n == 2 ? f.FormatFlash(a[1].c_str()) : f.FormatFlash();
    if (name == "rtc" && n <= 2) return Clock(c, n == 2 ? a[1] : "");
    if (name == "reset" && n == 1) {
        if (!f.ResetBoard()) return 1;
        if (!c.json) std::printf("reset sent\n");
        return 0;
    }
    return Usage("wrong arguments for '" + name + "'");
}

}  // namespace quorvex::cli
