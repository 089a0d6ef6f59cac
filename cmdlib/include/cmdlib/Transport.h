// The seam between the command library's channels and whatever carries frames
// to a target: in-process (virtual time) or a socket (real time). One
// transport serves the whole process connection; exchanges are told apart by
// their id, so a late report of an abandoned exchange never reaches another.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cmdlib/TargetAgent.h"

namespace quorvex::link {

// Thread-safe: several channels may send and wait at the same time.
class Transport {
public:
    virtual ~Transport() = default;

    // What the target announced when the connection was opened.
    virtual const Welcome& welcome() const = 0;
    // True until the connection is closed or lost.
    virtual bool IsUp() const = 0;

    // Sends one command. `exchange_id` is never 0; a posted command
    // (wants_reply false) gets an id too but is never waited for.
    // Returns 0 or a UE_LINK_* code.
    virtual int Send(std::uint32_t exchange_id, const CommandFrame& command) = 0;
    // Waits up to `timeout_ms` for the next report of `exchange_id`.
    // Returns 0 and fills `report`, or UE_LINK_TIMEOUT / UE_LINK_DOWN / UE_LINK_PROTOCOL.
    // On an in-process transport the wait runs on virtual time.
    virtual int Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms,
                        ReportFrame* report) = 0;
    // The exchange is over: reports still queued or still to come for it are dropped.
    virtual void Forget(std::uint32_t exchange_id) = 0;
    // Closes the connection; waiters wake with UE_LINK_DOWN.
    virtual void Close() = 0;
    // The clock waits run on, in milliseconds from an arbitrary start: virtual
    // time in-process, the steady clock on sockets. A caller that waits in
    // several Receive calls uses it to keep one deadline over all of them.
    virtual std::uint64_t NowMs() const {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
};

// Wraps another transport and forwards every call; fault-injecting transports
// derive from it and override only what they change.
class TransportWrapper : public Transport {
public:
    explicit TransportWrapper(std::shared_ptr<Transport> target) : target_(std::move(target)) {}
    const Welcome& welcome() const override { return target_->welcome(); }
    bool IsUp() const override { return target_->IsUp(); }
    int Send(std::uint32_t id, const CommandFrame& c) override { return target_->Send(id, c); }
    int Receive(std::uint32_t id, std::uint32_t t, ReportFrame* r) override {
        return target_->Receive(id, t, r);
    }
    void Forget(std::uint32_t id) override { target_->Forget(id); }
    void Close() override { target_->Close(); }
    std::uint64_t NowMs() const override { return target_->NowMs(); }

protected:
    std::shared_ptr<Transport> target_;
};

}  // namespace quorvex::link
