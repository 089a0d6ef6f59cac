// Posted messages and timers. The Win32 names come from the backend
// (platform/os/messages.h); the helpers below exist on both. A window's
// messages are read on the thread that created the window (on POSIX any
// thread may, on Windows only that one), so a host that pumps on its own
// thread creates the window there.
#pragma once

#include <vector>

#include "platform/os/messages.h"

namespace quorvex::platform {

// A window that is nothing but a message queue; valid until DestroyWindow.
HWND CreateMessageWindow();

struct TimerInfo {
    UINT_PTR id;
    UINT elapse_ms;  // after clamping
    bool has_proc;
};

// Inspection for hosts and tests: the timers of a window (null: of the
// calling thread) in the order they were started.
std::vector<TimerInfo> ActiveTimers(HWND hwnd);

// Waits until the queue has a posted message or a due timer, or until
// `timeout_ms` (INFINITE allowed) has passed. Returns TRUE when something is
// there to read. Meant for host threads that pump a window's queue.
BOOL WaitForQueue(HWND hwnd, DWORD timeout_ms);

}  // namespace quorvex::platform
