// Wall-clock and tick-count queries. The Win32 names come from the backend
// (platform/os/time.h); the POSIX one also lets tests replace the tick source.
#pragma once

#include "platform/os/time.h"
