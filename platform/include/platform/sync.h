// Events and waits. The Win32 names come from the backend (platform/os/sync.h).
#pragma once

#include "platform/os/sync.h"

namespace quorvex::platform {

// True when `event` is an open event handle in the signalled state.
bool IsEventSet(HANDLE event);

}  // namespace quorvex::platform
