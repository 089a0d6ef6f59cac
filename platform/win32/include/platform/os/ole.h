// Win32 backend: FORMATETC, STGMEDIUM and ReleaseStgMedium come from the
// Windows SDK.
#pragma once

#include <ole2.h>

#include "platform/os/sdk.h"
