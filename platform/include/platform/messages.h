// Posted messages and timers. The Win32 names come from the backend
// (platform/os/messages.h); the helpers below exist on both. A window's
// messages are read on the thread that created the window (on POSIX any
// thread may, on Windows only that one), so a host that pumps on its own
// thread creates the window there.
#pragma once

#include "platform/os/messages.h"

namespace quorvex::platform {

// A window that is nothing but a message queue; valid until DestroyWindow.
HWND CreateMessageWindow();

// Waits until the queue has a posted message or a due timer, or until
// `timeout_ms` (INFINITE allowed) has passed. Returns TRUE when something is
// there to read. Meant for host threads that pump a window's queue.
BOOL WaitForQueue(HWND hwnd, DWORD timeout_ms);

}  // namespace quorvex::platform
