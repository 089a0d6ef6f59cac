// Posted messages and timers of the operating-system stand-in. A window is a
// message queue; every thread also has a queue of its own for messages posted
// without a window. Posting is thread-safe and any thread may pump a window's
// queue. Timer ticks are made while a queue is read, never by a thread.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/wintypes.h"

#define WM_NULL 0x0000
#define WM_QUIT 0x0012
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Appends to the queue of `hWnd`, or of the calling thread when `hWnd` is
// null. FALSE with ERROR_INVALID_WINDOW_HANDLE for a destroyed window.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Appends to the queue of the thread `idThread` (GetCurrentThreadId); FALSE
// with ERROR_INVALID_PARAMETER when that thread has no queue (yet or any more).
BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
// Puts WM_QUIT with `nExitCode` on the calling thread's queue.
void PostQuitMessage(int nExitCode);

// Reads the queue of `hWnd`, or the calling thread's queue when `hWnd` is
// null. `wMsgFilterMin` and `wMsgFilterMax` both 0 take every message.
// Posted messages come first in posting order; a WM_TIMER is made only when
// no posted message matches, for the first due timer, and at most one is
// pending per timer (reading it with PM_REMOVE starts the next period).
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Blocks until a message matches, then removes it. Returns 0 for WM_QUIT,
// -1 for a destroyed window, otherwise non-zero.
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
// Blocks until the calling thread's queue has a message or a due timer.
BOOL WaitMessage();
// Calls the timer procedure of a WM_TIMER that carries one; windows have no
// window procedure here, so nothing else is dispatched. Returns 0.
LRESULT DispatchMessageA(const MSG* lpMsg);
BOOL TranslateMessage(const MSG* lpMsg);

// With a window: starts or restarts timer `nIDEvent` of that window and
// returns `nIDEvent` (1 when `nIDEvent` is 0, so success never reads as 0).
// Without a window: restarts the calling thread's timer `nIDEvent` if it has
// one, otherwise starts a thread timer with a new id chosen here (distinct
// and non-zero) and returns it. Periods are clamped to
// [USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM]. 0 on failure.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
// Stops the timer and drops nothing already read. FALSE when there is no such timer.
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

DWORD GetCurrentThreadId();
BOOL IsWindow(HWND hWnd);
// Destroys the window's queue: its messages and timers are dropped, and
// later posts to it fail.
BOOL DestroyWindow(HWND hWnd);

inline BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return PostMessageA(hwnd, msg, wparam, lparam);
}
inline BOOL PostThreadMessage(DWORD thread, UINT msg, WPARAM wparam, LPARAM lparam) {
    return PostThreadMessageA(thread, msg, wparam, lparam);
}
inline BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove) {
    return PeekMessageA(msg, hwnd, min, max, remove);
}
inline BOOL GetMessage(LPMSG msg, HWND hwnd, UINT min, UINT max) {
    return GetMessageA(msg, hwnd, min, max);
}
inline LRESULT DispatchMessage(const MSG* msg) {
    return DispatchMessageA(msg);
}

namespace quorvex::platform {

// Inspection for tests of the stand-in: posted messages waiting in the queue (timer ticks not
// counted: they are made only when the queue is read).
std::size_t QueuedMessageCount(HWND hwnd);

}  // namespace quorvex::platform
