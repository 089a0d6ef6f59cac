// One message queue: posted messages first, then at most one tick per due timer.
#include "message_queue.h"

#include <algorithm>
#include <chrono>

#include "platform/sync.h"
#include "platform/time.h"

namespace quorvex::platform::internal {

namespace {

bool InFilter(UINT message, UINT filter_min, UINT filter_max) {
    if (filter_min == 0 && filter_max == 0) return true;
    return message >= filter_min && message <= filter_max;
}

// With an injected tick source, real time and ticks do not move together, so
// a waiter for a timer looks again at least this often.
constexpr DWORD kTimerRecheckMs = 20;

}  // namespace

bool MessageQueue::Post(UINT message, WPARAM wparam, LPARAM lparam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return false;
        MSG msg{};
        msg.hwnd = owner_;
        msg.message = message;
        msg.wParam = wparam;
        msg.lParam = lparam;
        msg.time = GetTickCount();
        messages_.push_back(msg);
    }
    posted_.notify_all();
    return true;
}

bool MessageQueue::Peek(MSG* out, UINT filter_min, UINT filter_max, bool remove) {
    std::lock_guard<std::mutex> lock(mutex_);
    return PeekLocked(out, filter_min, filter_max, remove, GetTickCount64());
}

bool MessageQueue::PeekLocked(MSG* out, UINT filter_min, UINT filter_max, bool remove,
                              ULONGLONG now) {
    if (closed_) return false;
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const MSG& msg = messages_[i];
        // A quit request is never held back by a filter.
        if (InFilter(msg.message, filter_min, filter_max) || msg.message == WM_QUIT) {
            if (out != nullptr) *out = msg;
            if (remove) messages_.erase(i);
            return true;
        }
    }
    if (!InFilter(WM_TIMER, filter_min, filter_max)) return false;
    for (auto& timer : timers_) {
        if (timer.due > now) continue;
        if (out != nullptr) {
            *out = MSG{};
            out->hwnd = owner_;
            out->message = WM_TIMER;
            out->wParam = timer.id;
            out->lParam = reinterpret_cast<LPARAM>(timer.proc);
            out->time = static_cast<DWORD>(now);
        }
        // However many periods went by unread, one tick stands for them all.
        if (remove) timer.due = now + timer.elapse_ms;
        return true;
    }
    return false;
}

DWORD MessageQueue::NextDueLocked(UINT filter_min, UINT filter_max, ULONGLONG now) const {
    if (timers_.empty() || !InFilter(WM_TIMER, filter_min, filter_max)) return INFINITE;
    ULONGLONG next = timers_.front().due;
    for (const auto& timer : timers_) next = std::min(next, timer.due);
    ULONGLONG wait = next > now ? next - now : 0;
    return static_cast<DWORD>(std::min<ULONGLONG>(wait, kTimerRecheckMs));
}

bool MessageQueue::Wait(UINT filter_min, UINT filter_max, DWORD timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (closed_) return false;
        ULONGLONG now = GetTickCount64();
        if (PeekLocked(nullptr, filter_min, filter_max, false, now)) return true;
        DWORD step = NextDueLocked(filter_min, filter_max, now);
        if (timeout_ms != INFINITE) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            step = std::min<DWORD>(step, static_cast<DWORD>(left.count()));
        }
        if (step == INFINITE) {
            posted_.wait(lock);
        } else {
            posted_.wait_for(lock, std::chrono::milliseconds(step));
        }
    }
}

void MessageQueue::SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        elapse_ms = std::clamp<UINT>(elapse_ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
        ULONGLONG due = GetTickCount64() + elapse_ms;
        for (auto& timer : timers_) {
            if (timer.id == id) {
                timer = Timer{id, elapse_ms, proc, due};
                return;
            }
        }
        timers_.push_back(Timer{id, elapse_ms, proc, due});
    }
    // A waiter may now have a deadline it did not have before.
    posted_.notify_all();
}

bool MessageQueue::HasTimer(UINT_PTR id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(timers_.begin(), timers_.end(),
                       [id](const Timer& timer) { return timer.id == id; });
}

bool MessageQueue::KillTimer(UINT_PTR id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [id](const Timer& timer) { return timer.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

std::vector<TimerInfo> MessageQueue::Timers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TimerInfo> result;
    for (const auto& timer : timers_) {
        result.push_back(TimerInfo{timer.id, timer.elapse_ms, timer.proc != nullptr});
    }
    return result;
}

std::size_t MessageQueue::PostedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_.size();
}

void MessageQueue::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        messages_.clear();
        timers_.clear();
    }
    posted_.notify_all();
}

bool MessageQueue::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

}  // namespace quorvex::platform::internal
