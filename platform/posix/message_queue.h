// One message queue: the posted messages and the timers of a window or of a
// thread. All members are thread-safe.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "message_ring.h"
#include "platform/messages.h"

namespace quorvex::platform::internal {

class MessageQueue {
  public:
    // `owner` is the window the queue belongs to, null for a thread's queue.
    explicit MessageQueue(HWND owner) : owner_(owner) {}

    HWND owner() const { return owner_; }

    // False once the queue is closed.
    bool Post(UINT message, WPARAM wparam, LPARAM lparam);
    // Takes the next matching message, making a timer tick when no posted one
    // matches. False when there is none (or the queue is closed).
    bool Peek(MSG* out, UINT filter_min, UINT filter_max, bool remove);
    // Waits until Peek would find something or `timeout_ms` has passed
    // (INFINITE allowed). False on time-out or when the queue is closed.
    bool Wait(UINT filter_min, UINT filter_max, DWORD timeout_ms);

    // Starts or restarts timer `id`.
    void SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
    bool HasTimer(UINT_PTR id) const;
    bool KillTimer(UINT_PTR id);

    std::vector<TimerInfo> Timers() const;
    std::size_t PostedCount() const;

    // Drops messages and timers and wakes every waiter; posts fail afterwards.
    void Close();
    bool closed() const;

  private:
    struct Timer {
        UINT_PTR id;
        UINT elapse_ms;
        TIMERPROC proc;
        ULONGLONG due;
    };

    bool PeekLocked(MSG* out, UINT filter_min, UINT filter_max, bool remove, ULONGLONG now);
    // Milliseconds until the next timer is due, or INFINITE when there is none.
    DWORD NextDueLocked(UINT filter_min, UINT filter_max, ULONGLONG now) const;

    const HWND owner_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    MessageRing messages_;
    std::vector<Timer> timers_;
    bool closed_ = false;
};

}  // namespace quorvex::platform::internal
