// Entry fields, sorting and JSON for the listing commands.
#include "Entries.h"

#include <algorithm>
#include <cstdio>

#include "Output.h"

namespace quorvex::cli {
namespace {

std::string Text(const CString& s) {
    return std::string(static_cast<LPCSTR>(s));
}

bool Digits(const std::string& s, std::size_t from, std::size_t count) {
    if (s.size() < from + count) return false;
    for (std::size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
    }
    return true;
}

}  // namespace

bool IsFolder(const CFdiFile& e) {
    return (e.m_wAttributes & 0170000) == 0040000;
}

std::string TypeName(const CFdiFile& e) {
    return IsFolder(e) ? "folder" : "file";
}

std::string ModeText(const CFdiFile& e) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", e.m_wAttributes & 07777);
    return text;
}

std::string IsoTime(const CString& date_text, const CString& time_text) {
    // The listing writes DD/MM/YYYY and HH:MM:SS, both in UTC.
    const std::string d = Text(date_text), t = Text(time_text);
    if (d.size() != 10 || t.size() != 8 || d[2] != '/' || d[5] != '/' || t[2] != ':' ||
        t[5] != ':' || !Digits(d, 0, 2) || !Digits(d, 3, 2) || !Digits(d, 6, 4) ||
        !Digits(t, 0, 2) || !Digits(t, 3, 2) || !Digits(t, 6, 2)) {
        return "";
    }
    return d.substr(6, 4) + "-" + d.substr(3, 2) + "-" + d.substr(0, 2) + "T" + t + "Z";
}

std::string ModifiedIso(const CFdiFile& e) {
    const std::string second = IsoTime(e.m_strSecondDate, e.m_strSecondTime);
    return second.empty() ? IsoTime(e.m_strDate, e.m_strTime) : second;
}

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (unsigned char c : text)
        width += (c & 0xC0) != 0x80 ? 1 : 0;  // continuation bytes add none
    return width;
}

void SortEntries(std::vector<CFdiFile>* entries, SortBy by, bool reverse) {
    const auto name = [](const CFdiFile& a, const CFdiFile& b) {
        return Text(a.m_strName) < Text(b.m_strName);
    };
    if (by == SortBy::kName) std::stable_sort(entries->begin(), entries->end(), name);
    if (by == SortBy::kTime) {
        std::stable_sort(entries->begin(), entries->end(),
                         [&](const CFdiFile& a, const CFdiFile& b) {
                             const std::string ta = ModifiedIso(a), tb = ModifiedIso(b);
                             return ta != tb ? ta > tb : name(a, b);
                         });
    }
    if (by == SortBy::kSize) {
        std::stable_sort(entries->begin(), entries->end(),
                         [&](const CFdiFile& a, const CFdiFile& b) {
                             return a.m_dwSize != b.m_dwSize ? a.m_dwSize > b.m_dwSize : name(a, b);
                         });
    }
    if (reverse) std::reverse(entries->begin(), entries->end());
}

std::string EntryJson(const CFdiFile& e) {
    const std::string created = IsoTime(e.m_strDate, e.m_strTime);
    const std::string modified = IsoTime(e.m_strSecondDate, e.m_strSecondTime);
    return "{\"name\":" + Json(Text(e.m_strName)) + ",\"time\":" + Json(Text(e.m_strTime)) +
           ",\"date\":" + Json(Text(e.m_strDate)) +
           ",\"second_time\":" + Json(Text(e.m_strSecondTime)) +
           ",\"second_date\":" + Json(Text(e.m_strSecondDate)) +
           ",\"size\":" + std::to_string(e.m_dwSize) + ",\"size_text\":" + Json(Text(e.m_strSize)) +
           ",\"attributes\":" + std::to_string(e.m_wAttributes) +
           ",\"read_only\":" + (e.IsReadOnly() ? "true" : "false") +
           ",\"type\":" + Json(TypeName(e)) + ",\"mode\":" + Json(ModeText(e)) +
           ",\"created\":" + (created.empty() ? "null" : Json(created)) +
           ",\"modified\":" + (modified.empty() ? "null" : Json(modified)) + "}";
}

bool IsPattern(const std::string& pattern) {
    return pattern.find_first_of("*?[") != std::string::npos;
}

}  // namespace quorvex::cli
