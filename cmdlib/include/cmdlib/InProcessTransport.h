// A connection to a target agent in the same process, running on virtual time:
// the agent answers each command at once, its reports become due after their
// delays, and a wait that nothing satisfies returns immediately having moved
// the clock on by its time-out.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cmdlib/ExchangeObserver.h"
#include "cmdlib/Transport.h"
#include "cmdlib/VirtualClock.h"

namespace quorvex::link {

// Thread-safe; calls into the agent are serialised by the transport.
//
// Timing: the reports an agent appends for one command are due one after the
// other, each `delay_ms` after the previous one, the first `delay_ms` after the
// send. Receive takes the exchange's first queued report if it is due before
// the wait's deadline (moving the clock to its due time), else moves the clock
// to the deadline and returns UE_LINK_TIMEOUT.
//
// Faults: a report whose `fault` is set (see ReportFrame) breaks the
// connection at its due time, whichever exchange it belongs to, and survives
// Forget: the wait running at that moment gets UE_LINK_DOWN (kBreak) or
// UE_LINK_PROTOCOL (kMalformed), a send at or after it gets the same code, and
// every later call UE_LINK_DOWN. Close() breaks it at once from outside.
class InProcessTransport : public Transport {
  public:
    // Greets the agent with `client_name` and keeps its welcome.
    explicit InProcessTransport(std::shared_ptr<TargetAgent> agent,
                                const std::string& client_name = "quorvex");

    const Welcome& welcome() const override { return welcome_; }
    bool IsUp() const override;
    int Send(std::uint32_t exchange_id, const CommandFrame& command) override;
    // The agent answers at once, from the caller's bytes.
    int SendFrom(std::uint32_t exchange_id, const CommandView& command) override;
    int Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportFrame* report) override;
    void Forget(std::uint32_t exchange_id) override;
    void Close() override;
    std::uint64_t NowMs() const override { return clock_.now_ms(); }

    VirtualClock& clock() { return clock_; }
    const VirtualClock& clock() const { return clock_; }
    // Installs (or with nullptr removes) the observer told about sends and waits.
    void SetObserver(std::shared_ptr<ExchangeObserver> observer);
    // Reports and faults not yet taken or dropped.
    std::size_t QueuedReports() const;

  private:
    struct Queued {
        std::uint32_t exchange_id;
        std::uint64_t due_ms;
        ReportFrame report;
    };

    // Closes the connection for `fault` and returns the code the caller hands on.
    int BreakLocked(ReportFrame::Fault fault);

    mutable std::mutex mutex_;
    std::shared_ptr<TargetAgent> agent_;
    Welcome welcome_;
    VirtualClock clock_;
    std::shared_ptr<ExchangeObserver> observer_;
    std::deque<Queued> queue_;
    // The agent's answers to the command being sent; kept so that its
    // storage serves every command.
    std::vector<ReportFrame> answers_;
    bool up_ = true;
};

}  // namespace quorvex::link
