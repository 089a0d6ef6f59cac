// What an in-process transport tells an interested party about each exchange
// beyond the command itself: its id, when it was sent and how long the host
// waits for it. Recording targets use it; the target agent seam carries none of it.
#pragma once

#include <cstdint>

namespace quorvex::link {

// Called with the transport's lock held: an observer must not call back into
// the transport.
class ExchangeObserver {
  public:
    virtual ~ExchangeObserver() = default;
    // A command is about to be handed to the agent, at virtual time `now_ms`.
    virtual void OnSend(std::uint32_t exchange_id, std::uint64_t now_ms) = 0;
    // The host waits up to `timeout_ms` for a report of the exchange. A wait
    // that skips unexpected reports continues with what remains of its time-out,
    // so the first call for an exchange carries the whole time-out.
    virtual void OnWait(std::uint32_t exchange_id, std::uint32_t timeout_ms) = 0;
};

}  // namespace quorvex::link
