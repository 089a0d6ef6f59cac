// Clipboard, global memory and file-drop lists. The Win32 names come from the
// backend (platform/os/clipboard.h): the POSIX stand-in or the Windows SDK.
#pragma once

#include "platform/os/clipboard.h"
