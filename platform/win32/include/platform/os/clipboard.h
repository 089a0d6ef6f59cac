// Win32 backend: clipboard, global memory, DROPFILES and DragQueryFileA come
// from the Windows SDK.
#pragma once

#include <shellapi.h>
#include <shlobj.h>

#include "platform/os/sdk.h"
