// Symbol visibility of the module: everything is hidden unless marked here.
#pragma once

#if defined(_WIN32)
#if defined(QUORVEX_BUILDING_MODULE)
#define QUORVEX_API __declspec(dllexport)
#else
#define QUORVEX_API __declspec(dllimport)
#endif
#define QUORVEX_CDECL __cdecl
// An exported class exports every member on Windows.
#define QUORVEX_LOCAL
#else
#define QUORVEX_API __attribute__((visibility("default")))
#define QUORVEX_CDECL
// A member of an exported class that stays out of the dynamic symbol table:
// the constructor and the helpers hosts never call.
#define QUORVEX_LOCAL __attribute__((visibility("hidden")))
#endif
