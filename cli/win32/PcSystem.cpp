// Win32 backend of the host's system calls.
#include "PcSystem.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quorvex::cli {
namespace {

// Whether `c` is in the set that starts after '[' at `set`; `end` gets the
// position after its ']', or npos when the set is not closed (then '[' is
// an ordinary character, as for the shell).
bool InSet(const std::string& p, std::size_t set, char c, std::size_t* end) {
    std::size_t i = set;
    const bool negated = i < p.size() && (p[i] == '!' || p[i] == '^');
    if (negated) ++i;
    bool found = false;
    for (bool first = true; i < p.size() && (first || p[i] != ']'); first = false) {
        char low = p[i] == '\\' && i + 1 < p.size() ? p[++i] : p[i];
        char high = low;
        ++i;
        if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
            high = p[i + 1] == '\\' && i + 2 < p.size() ? p[i + 2] : p[i + 1];
            i += p[i + 1] == '\\' ? 3 : 2;
        }
        const auto u = static_cast<unsigned char>(c);
        if (static_cast<unsigned char>(low) <= u && u <= static_cast<unsigned char>(high)) {
            found = true;
        }
    }
    *end = i < p.size() ? i + 1 : std::string::npos;
    return found != negated;
}

bool Match(const std::string& p, std::size_t pi, const char* name, std::size_t ni) {
    // Backtracking only to the latest '*' is enough: an earlier star could
    // only take more of the name, which the latest one can take as well.
    std::size_t star = std::string::npos;
    std::size_t star_name = 0;
    while (name[ni] != '\0') {
        // A leading period is matched by nothing but a period.
        const bool hidden = ni == 0 && name[0] == '.';
        std::size_t next = pi + 1;
        bool step = false;
        if (pi < p.size()) {
            const char c = p[pi];
            if (c == '*' && !hidden) {
                star = pi++;
                star_name = ni;
                continue;
            }
            if (c == '?') {
                step = !hidden;
            } else if (c == '[') {
                std::size_t end = 0;
                const bool in = InSet(p, pi + 1, name[ni], &end);
                if (end == std::string::npos) {
                    step = name[ni] == '[';
                } else {
                    step = in && !hidden;
                    next = end;
                }
            } else if (c == '\\' && pi + 1 < p.size()) {
                step = name[ni] == p[pi + 1];
                next = pi + 2;
            } else {
                step = name[ni] == c;
            }
        }
        if (step) {
            pi = next;
            ++ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++star_name;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        default:
            return EIO;
    }
}

}  // namespace

bool NameMatches(const std::string& pattern, const char* name) {
    return Match(pattern, 0, name, 0);
}

std::string ResolveLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return path;
    }
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    char target[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleA(file, target, sizeof target, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (n == 0 || n >= sizeof target) return path;
    std::string resolved(target, n);
    // The answer is in the long-path form; plain programs take a drive path.
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + resolved.substr(8);
    if (resolved.rfind("\\\\?\\", 0) == 0) return resolved.substr(4);
    return resolved;
}

bool CreateTemporaryFile(std::string* name, const std::string& like) {
    const std::size_t n = name->size();
    if (n < 6 || name->compare(n - 6, 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return false;
    }
    // A read-only destination could not be replaced, so the new file never
    // takes that attribute; Windows has no other permission bits to copy.
    (void)like;
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long seed =
        GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = n - 6; i < n; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            (*name)[i] = digits[(seed >> 33) % 36];
        }
        HANDLE file = CreateFileA(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            errno = ErrnoOf(error);
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

void UseBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quorvex::cli
