// Wall-clock and tick-count queries of the operating-system stand-in. The tick
// source is injectable so that timer tests advance time instead of sleeping.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include <atomic>
#include <functional>

#include "platform/wintypes.h"

void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetLocalTime(LPSYSTEMTIME lpSystemTime);
// Milliseconds since an arbitrary start, from the current tick source.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

namespace quorvex::platform {

// Replaces the millisecond tick source behind GetTickCount64 and the timers of
// the message queues; an empty function restores the monotonic clock. A
// source must never go backwards and must be thread-safe; it is not meant to
// be swapped while other threads read ticks.
void SetTickSource(std::function<ULONGLONG()> source);

// A tick source for tests: starts at `start` and moves only when told.
class ManualTickSource {
  public:
    explicit ManualTickSource(ULONGLONG start = 1000) : now_(start) {}
    ULONGLONG Now() const { return now_.load(); }
    void Advance(ULONGLONG ms) { now_ += ms; }
    // Installs this source; the object must outlive its installation.
    void Install();

  private:
    std::atomic<ULONGLONG> now_;
};

}  // namespace quorvex::platform
