// Path helpers of the Win32 backend. Windows compares names without regard
// to case, and so does the wildcard match.
#include "platform/files.h"

#include "wildcard.h"

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
    return internal::WildcardMatch(pattern, name, /*fold_case=*/true);
}

}  // namespace quorvex::platform
