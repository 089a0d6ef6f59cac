// Setting the calling thread's last error, with the one translation of errno
// values into the codes of this library.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace quorvex::platform::internal {

// Sets `code` and the context text that LastErrorContext returns.
void Fail(DWORD code, std::string context = {});

// The code for `err`. ENOENT becomes ERROR_PATH_NOT_FOUND when `path` is given
// and its parent directory is missing too, else ERROR_FILE_NOT_FOUND.
DWORD ErrorFromErrno(int err, const std::string& path = {});

// Fail(ErrorFromErrno(err, path), "<what> '<path>': <strerror>").
void FailFromErrno(int err, const char* what, const std::string& path = {});

}  // namespace quorvex::platform::internal
