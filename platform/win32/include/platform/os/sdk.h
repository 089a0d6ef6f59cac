// Win32 backend: the platform's Win32 names are the real ones, from the
// Windows SDK headers. Every os/ header of this backend comes through here so
// that the SDK is always configured the same way.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
// Winsock 2 must come before windows.h, which would otherwise bring the old
// Winsock header that conflicts with it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
