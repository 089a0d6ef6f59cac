// Module handles and run-time library loading. The Win32 names come from the
// backend (platform/os/module.h): on POSIX an HMODULE is the load address of a
// library and "NAME.dll" also stands for "libNAME.so".
#pragma once

#include "platform/os/module.h"

namespace quorvex::platform {

// The module that contains `address` (code or data), or null.
HMODULE ModuleFromAddress(const void* address);

}  // namespace quorvex::platform
