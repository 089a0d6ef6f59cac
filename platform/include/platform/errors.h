// Last-error codes, system error texts and local memory. The Win32 names come
// from the backend (platform/os/errors.h); the helpers below exist on both.
#pragma once

#include <string>

#include "platform/os/errors.h"

namespace quorvex::platform {

// Says which object failed and why for the calling thread's last failure
// (for example "mkdir '/x/y': No such file or directory"); empty after a
// failure that has no more to say than its code.
std::string LastErrorContext();

// The system text of `code` without the trailing "\r\n"; a generic text for
// codes the table does not know.
std::string ErrorText(DWORD code);

}  // namespace quorvex::platform
