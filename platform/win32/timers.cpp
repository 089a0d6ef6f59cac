// Timers of the Win32 backend: the real timers, and the list of them that
// ActiveTimers reports.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/messages.h"

namespace {

struct Timer {
    HWND hwnd;
    DWORD thread;  // thread timers (no window) belong to their thread
    quorvex::platform::TimerInfo info;
};

std::mutex g_mutex;
std::vector<Timer> g_timers;

bool Owns(const Timer& timer, HWND hwnd) {
    return timer.hwnd == hwnd && (hwnd != nullptr || timer.thread == GetCurrentThreadId());
}

// The SDK's functions, which the platform header renames for everyone else.
#undef SetTimer
#undef KillTimer
#undef DestroyWindow

}  // namespace

UINT_PTR QuorvexSetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    const UINT_PTR id = ::SetTimer(hWnd, nIDEvent, uElapse, lpTimerFunc);
    if (id == 0) return 0;
    const UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Timer& timer : g_timers) {
        if (Owns(timer, hWnd) && timer.info.id == id) {
            timer.info = {id, elapse, lpTimerFunc != nullptr};
            return id;
        }
    }
    g_timers.push_back({hWnd, GetCurrentThreadId(), {id, elapse, lpTimerFunc != nullptr}});
    return id;
}

BOOL QuorvexKillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                      [&](const Timer& timer) {
                                          return Owns(timer, hWnd) && timer.info.id == uIDEvent;
                                      }),
                       g_timers.end());
    }
    return ::KillTimer(hWnd, uIDEvent);
}

BOOL QuorvexDestroyWindow(HWND hWnd) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                      [&](const Timer& timer) { return timer.hwnd == hWnd; }),
                       g_timers.end());
    }
    return ::DestroyWindow(hWnd);
}

namespace quorvex::platform {

std::vector<TimerInfo> ActiveTimers(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<TimerInfo> out;
    for (const Timer& timer : g_timers) {
        if (Owns(timer, hwnd)) out.push_back(timer.info);
    }
    return out;
}

}  // namespace quorvex::platform
