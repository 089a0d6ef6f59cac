// Event inspection for the Win32 backend.
#include "platform/sync.h"

namespace quorvex::platform {

bool IsEventSet(HANDLE event) {
    if (WaitForSingleObject(event, 0) != WAIT_OBJECT_0) return false;
    // The look released an auto-reset event; set it again (a manual-reset one
    // is still set, and setting it is harmless).
    SetEvent(event);
    return true;
}

}  // namespace quorvex::platform
