// Basic Win32 types, constants and handle kinds, from the backend
// (platform/os/wintypes.h): the POSIX stand-in or the Windows SDK.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os/wintypes.h"
