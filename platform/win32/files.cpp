// Path helpers of the Win32 backend. Windows compares names without regard
// to case, and so does the wildcard match.
#include "platform/files.h"

#include <cctype>

namespace {

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Backtracking over the last '*' only: linear enough for file names.
bool Match(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern != '\0' && Fold(*pattern) == Fold(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

namespace quorvex::platform {

// Windows takes '/' as well, and one separator keeps the name handling of
// the libraries above (file names after the last '/') the same as on POSIX.
std::string NativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*") return true;  // the old "every name" spelling
    return Match(pattern.c_str(), name.c_str());
}

}  // namespace quorvex::platform
