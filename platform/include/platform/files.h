// Directory and file-search calls. The Win32 names come from the backend
// (platform/os/files.h); paths built with '\' work on both backends.
#pragma once

#include <string>

#include "platform/os/files.h"

namespace quorvex::platform {

// The path as the operating system's own file calls take it: every '\'
// turned into '/', nothing else (no drive letters mapped, runs of separators
// kept). Windows takes '/' as well.
std::string NativePath(const std::string& path);

// True when `name` matches `pattern` ('*', '?'; "*.*" matches everything).
bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace quorvex::platform
