// Name matching for FindFirstFile and MatchesWildcard on both backends.
#include "wildcard.h"

#include <cctype>

namespace quorvex::platform::internal {

bool WildcardMatch(const std::string& pattern_text, const std::string& name_text, bool fold_case) {
    if (pattern_text == "*.*") return true;  // the old "every name" spelling
    const auto same = [fold_case](char a, char b) {
        if (!fold_case) return a == b;
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    // Backtracking over the last '*' only: linear enough for file names.
    const char* pattern = pattern_text.c_str();
    const char* name = name_text.c_str();
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern != '\0' && same(*pattern, *name))) {
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

}  // namespace quorvex::platform::internal
