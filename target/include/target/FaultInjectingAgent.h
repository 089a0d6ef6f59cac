// A target agent that forwards to another one and damages what comes back:
// drops chosen reports, delays every report, answers chosen commands with
// reports of the test's choosing, and breaks or corrupts the connection after
// a number of frames through the report fault marks the transports act on.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "cmdlib/TargetAgent.h"
#include "target/SimConfig.h"

namespace quorvex::sim {

// The connection faults, as the agent carries them out. Frames are counted
// from 1 over the COMMAND frames the agent receives and the REPORT frames it
// sends, in the order they pass (dropped reports do not pass).
//  - close_after_frames n > 0: once frame n has passed, the agent appends a
//    report with Fault::kBreak, so the transport closes the connection.
//  - corrupt_frame n > 0: if frame n is a REPORT, it goes out as Fault::kMalformed
//    (a frame the host cannot decode); if it is a COMMAND, nothing happens.
// Zero means no such fault. An in-process transport acts on the fault at the
// report's due time; a socket server drops the socket or sends a frame with a
// broken checksum.
struct LinkFaults {
    std::uint64_t close_after_frames = 0;
    std::uint64_t corrupt_frame = 0;
};

// The drop positions already used, shared by the agents of one server's
// connections, so that each position fires once: on the first connection
// whose own count reaches it. Thread-safe.
class DropLedger {
  public:
    // True the first time `position` is taken.
    bool Take(std::uint64_t position);

  private:
    std::mutex mutex_;
    std::set<std::uint64_t> taken_;
};

// One agent serves one connection: its counts start at 1 with it. Without a
// ledger, every drop position of this agent fires. Thread-compatible, like
// the agent it wraps.
class FaultInjectingAgent : public link::TargetAgent {
  public:
    FaultInjectingAgent(std::shared_ptr<link::TargetAgent> target, FaultConfig faults,
                        std::shared_ptr<DropLedger> ledger = nullptr);

    link::Welcome Hello(const std::string& client_name) override;
    void Handle(const link::CommandView& command, std::vector<link::ReportFrame>& reports) override;
    // The reports passed on are the wrapped agent's; it gets them back.
    void Recycle(std::vector<link::ReportFrame>& sent) override { target_->Recycle(sent); }

    LinkFaults link_faults() const { return {faults_.close_after_frames, faults_.corrupt_frame}; }
    // Reports produced so far, dropped ones included (the count the drop
    // positions refer to).
    std::uint64_t reports_seen() const { return reports_seen_; }
    // COMMAND and REPORT frames passed so far (the count of LinkFaults).
    std::uint64_t frames_passed() const { return frames_passed_; }

  private:
    // Counts one frame; true when the connection is to break after it.
    bool PassFrame();

    std::shared_ptr<link::TargetAgent> target_;
    FaultConfig faults_;
    std::shared_ptr<DropLedger> ledger_;
    std::uint64_t reports_seen_ = 0;
    std::uint64_t frames_passed_ = 0;
    bool broken_ = false;
};

}  // namespace quorvex::sim
