// The host folder and the settings store in settings.ini there.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostlib/hostpaths.h"
#include "ini_document.h"
#include "platform/fileio.h"
#include "platform/files.h"

namespace {

using quorvex::host::internal::IniDocument;

// Creates every missing directory of `path`; failures show later, when the
// folder is used.
void MakeDirectories(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            quorvex::platform::MakeDirectory(path.substr(0, at));
        }
    }
}

std::string HostFolder() {
    const char* configured = std::getenv("QUORVEX_HOME");
    std::string folder = (configured != nullptr && *configured != '\0')
                             ? quorvex::platform::NativePath(configured)
                             : quorvex::platform::HomeDirectory() + "/.quorvex";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    MakeDirectories(folder);
    return folder;
}

std::string SettingsPath() {
    return HostFolder() + "/settings.ini";
}

IniDocument Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    return IniDocument::Parse(text.str());
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes a temporary file beside `path` and renames it over `path`, so a
// reader sees the old file or the new one, never a part of either.
bool ReplaceFile(const std::string& path, const std::string& text) {
    static std::atomic<unsigned> counter{0};
    std::string temp = path + ".tmp-" + std::to_string(quorvex::platform::ProcessId()) + "-" +
                       std::to_string(counter++);
    int fd = quorvex::platform::OpenDescriptor(temp, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text) && quorvex::platform::SyncDescriptor(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && quorvex::platform::RenameReplacing(temp, path) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool IsStorable(LPCSTR section, LPCSTR key, LPCSTR value) {
    if (section == nullptr || key == nullptr || value == nullptr) return false;
    if (*section == '\0' || *key == '\0') return false;
    auto has_any = [](LPCSTR text, const char* bad) { return std::strpbrk(text, bad) != nullptr; };
    // A line break would end the line early; '=' would split the key; ']'
    // would end the header early. Leading blanks of names would be trimmed on
    // reading, so the key could not be found again.
    return !has_any(section, "\r\n]") && !has_any(key, "\r\n=") && !has_any(value, "\r\n") &&
           !std::isspace(static_cast<unsigned char>(*key)) && *key != ';' && *key != '#' &&
           *key != '[';
}

}  // namespace

CString CHostPaths::GetHostFolder() {
    return CString(HostFolder().c_str());
}

CString CHostPaths::GetSettingsFile() {
    return CString(SettingsPath().c_str());
}

int CHostPaths::ReadSettingInt(LPCSTR section, LPCSTR key, int defaultValue) {
    if (section == nullptr || key == nullptr) return defaultValue;
    std::optional<std::string> value;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        value = Load(SettingsPath()).Get(section, key);
    }
    if (!value) return defaultValue;
    const char* text = value->c_str();
    char* end = nullptr;
    errno = 0;
    long long number = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return defaultValue;
    }
    return static_cast<int>(number);
}

void CHostPaths::WriteSettingInt(LPCSTR section, LPCSTR key, int value) {
    WriteSettingString(section, key, std::to_string(value).c_str());
}

CString CHostPaths::ReadSettingString(LPCSTR section, LPCSTR key, LPCSTR defaultValue) {
    if (section != nullptr && key != nullptr) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto value = Load(SettingsPath()).Get(section, key);
        if (value) return CString(Unquote(*value).c_str());
    }
    return CString(defaultValue);
}

BOOL CHostPaths::WriteSettingString(LPCSTR section, LPCSTR key, LPCSTR value) {
    if (!IsStorable(section, key, value)) return FALSE;
    std::lock_guard<std::mutex> lock(mutex_);
    std::string path = SettingsPath();
    IniDocument document = Load(path);
    document.Set(section, key, value);
    return ReplaceFile(path, document.Serialize()) ? TRUE : FALSE;
}

std::vector<CString> CHostPaths::GetSettingKeys(LPCSTR section) {
    std::vector<CString> keys;
    if (section == nullptr) return keys;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& key : Load(SettingsPath()).Keys(section)) keys.emplace_back(key.c_str());
    return keys;
}

std::vector<CString> CHostPaths::GetSettingSections() {
    std::vector<CString> sections;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& name : Load(SettingsPath()).Sections()) sections.emplace_back(name.c_str());
    return sections;
}

CHostPaths* GetHostPaths() {
    // Never destroyed: callers may hold the pointer until the very end.
    static auto* paths = new CHostPaths;
    return paths;
}
