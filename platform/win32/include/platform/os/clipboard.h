// Win32 backend: clipboard, global memory, DROPFILES and DragQueryFileA come
// from the Windows SDK.
#pragma once

// The SDK configuration comes first.
// clang-format off
#include "platform/os/sdk.h"
#include <shellapi.h>
#include <shlobj.h>
// clang-format on
