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
#include <windows.h>
