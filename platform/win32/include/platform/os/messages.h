// Win32 backend: the message and timer names come from the Windows SDK. Timers
// are started and stopped through this library, which calls the real
// SetTimer and KillTimer and keeps a list of running timers, so that hosts and
// tests can see them (ActiveTimers); the SDK offers no such query.
#pragma once

#include "platform/os/sdk.h"

UINT_PTR QuorvexSetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL QuorvexKillTimer(HWND hWnd, UINT_PTR uIDEvent);
BOOL QuorvexDestroyWindow(HWND hWnd);

#define SetTimer QuorvexSetTimer
#define KillTimer QuorvexKillTimer
#define DestroyWindow QuorvexDestroyWindow
