// Module handles and run-time library loading of the operating-system
// stand-in. An HMODULE is the load address of a library (or of the program),
// so it is stable for as long as the library stays loaded and can key the
// framework's resource modules. A name "NAME.dll" (or "NAME" without an
// extension) also stands for the platform's file name "libNAME.so"; names are
// compared with the case given.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include "platform/wintypes.h"

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// Finds a library already loaded in the process, by file name or by path; a
// null name gives the main program. Does not load anything or change a
// reference count. Null with ERROR_MOD_NOT_FOUND when it is not loaded.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);
// Only GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS with UNCHANGED_REFCOUNT is
// supported: `lpModuleName` is then an address inside the wanted module.
BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule);
// Full path of the module (null: the program). Truncates to nSize - 1
// characters plus a zero and sets ERROR_INSUFFICIENT_BUFFER; returns the
// number of characters stored without the zero, or 0.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
// Loads a library (or takes one more reference). A bare name is looked for
// beside the program, then beside the calling library, then where the
// dynamic loader searches. Null with ERROR_MOD_NOT_FOUND when it is nowhere.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
// Null with ERROR_PROC_NOT_FOUND when the library does not export the name.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Drops one reference taken by LoadLibraryA. FALSE with ERROR_INVALID_HANDLE
// for a module that LoadLibraryA did not hand out.
BOOL FreeLibrary(HMODULE hLibModule);

inline HMODULE GetModuleHandle(LPCSTR name) {
    return GetModuleHandleA(name);
}
inline DWORD GetModuleFileName(HMODULE module, LPSTR buffer, DWORD size) {
    return GetModuleFileNameA(module, buffer, size);
}
inline HMODULE LoadLibrary(LPCSTR name) {
    return LoadLibraryA(name);
}
