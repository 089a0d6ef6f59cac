// Symbol visibility of the module: everything is hidden unless marked here.
#pragma once

#if defined(_WIN32)
#if defined(QUORVEX_BUILDING_MODULE)
#define QUORVEX_API __declspec(dllexport)
#else
#define QUORVEX_API __declspec(dllimport)
#endif
#define QUORVEX_CDECL __cdecl
#else
#define QUORVEX_API __attribute__((visibility("default")))
#define QUORVEX_CDECL
#endif
