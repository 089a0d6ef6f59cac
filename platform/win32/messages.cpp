// Message-only windows and queue waits of the Win32 backend. A window's
// messages reach only the thread that created it, as Windows does.
#include "platform/messages.h"

namespace {

const char kWindowClass[] = "QuorvexMessageWindow";

// Registered once per process; a second registration of the class fails with
// ERROR_CLASS_ALREADY_EXISTS, which is fine.
bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kWindowClass;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

namespace quorvex::platform {

HWND CreateMessageWindow() {
    if (!RegisterWindowClass()) return nullptr;
    return CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

BOOL WaitForQueue(HWND hwnd, DWORD timeout_ms) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, hwnd, 0, 0, PM_NOREMOVE)) return TRUE;
        DWORD left = INFINITE;
        if (timeout_ms != INFINITE) {
            const ULONGLONG spent = GetTickCount64() - start;
            if (spent >= timeout_ms) return FALSE;
            left = static_cast<DWORD>(timeout_ms - spent);
        }
        // Wakes for anything new in this thread's queue, timers included.
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_FAILED) return FALSE;
    }
}

}  // namespace quorvex::platform
