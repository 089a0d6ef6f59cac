// Turning POSIX file status into the attribute and find-data shapes.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/files.h"

namespace quorvex::platform::internal {

DWORD AttributesOf(const struct stat& st);
// Fills `out` for the entry `name` whose status is `st`; names longer than
// MAX_PATH - 1 are cut.
void FillFindData(const std::string& name, const struct stat& st, WIN32_FIND_DATAA* out);

}  // namespace quorvex::platform::internal
