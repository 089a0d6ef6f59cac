// Win32 backend: these names come from the Windows SDK.
#pragma once

#include "platform/os/sdk.h"
