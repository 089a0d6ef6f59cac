// Events and waits of the operating-system stand-in. Handles are tracked, so a
// closed or bogus handle makes a call fail with ERROR_INVALID_HANDLE instead
// of touching freed memory.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include "platform/wintypes.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// A named event is shared by every CreateEventA of the same name while any
// handle to it is open; opening an existing one sets ERROR_ALREADY_EXISTS and
// ignores `bManualReset` and `bInitialState`. Security attributes are ignored.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
// An auto-reset event is reset by the wait that it releases. Thread-safe;
// closing the handle while another thread waits leaves that wait intact.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// Closes any handle of this library (events, find handles).
BOOL CloseHandle(HANDLE hObject);

inline HANDLE CreateEvent(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state,
                          LPCSTR name) {
    return CreateEventA(attributes, manual_reset, initial_state, name);
}
