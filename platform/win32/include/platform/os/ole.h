// Win32 backend: FORMATETC, STGMEDIUM and ReleaseStgMedium come from the
// Windows SDK.
#pragma once

// The SDK configuration comes first.
// clang-format off
#include "platform/os/sdk.h"
#include <ole2.h>
// clang-format on
