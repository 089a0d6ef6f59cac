// The '*' and '?' name match both backends use; they differ only in whether
// letters are compared without regard to case (Windows) or exactly (POSIX).
#pragma once

#include <string>

namespace quorvex::platform::internal {

bool WildcardMatch(const std::string& pattern, const std::string& name, bool fold_case);

}  // namespace quorvex::platform::internal
