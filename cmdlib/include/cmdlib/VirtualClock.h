// Virtual milliseconds for in-process connections: time moves only when a wait
// uses it up or a test advances it, so time-outs are exercised without sleeping.
#pragma once

#include <atomic>
#include <cstdint>

namespace quorvex::link {

// Thread-safe. Starts at 0 and never runs backwards.
class VirtualClock {
  public:
    std::uint64_t now_ms() const { return now_ms_.load(); }
    void Advance(std::uint64_t ms) { now_ms_.fetch_add(ms); }
    // Moves the clock to `t_ms`, or leaves it where it is when it is already later.
    void AdvanceTo(std::uint64_t t_ms) {
        std::uint64_t now = now_ms_.load();
        while (now < t_ms && !now_ms_.compare_exchange_weak(now, t_ms)) {
        }
    }

  private:
    std::atomic<std::uint64_t> now_ms_{0};
};

}  // namespace quorvex::link
