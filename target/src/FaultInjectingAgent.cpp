// Report-level and connection-level fault injection around any target agent.
#include "target/FaultInjectingAgent.h"

namespace quorvex::sim {
namespace {

link::ReportFrame FaultReport(std::int32_t side, link::ReportFrame::Fault fault) {
    link::ReportFrame r;
    r.side = side;
    r.fault = fault;
    return r;
}

}  // namespace

bool DropLedger::Take(std::uint64_t position) {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_.insert(position).second;
}

FaultInjectingAgent::FaultInjectingAgent(std::shared_ptr<link::TargetAgent> target,
                                         FaultConfig faults, std::shared_ptr<DropLedger> ledger)
    : target_(std::move(target)), faults_(std::move(faults)), ledger_(std::move(ledger)) {}

link::Welcome FaultInjectingAgent::Hello(const std::string& client_name) {
    return target_->Hello(client_name);
}

bool FaultInjectingAgent::PassFrame() {
    ++frames_passed_;
    return faults_.close_after_frames != 0 && frames_passed_ == faults_.close_after_frames;
}

void FaultInjectingAgent::Handle(const link::CommandView& command,
                                 std::vector<link::ReportFrame>& reports) {
    // Once broken, the connection carries nothing more.
    if (broken_) return;
    if (PassFrame()) {
        broken_ = true;
        reports.push_back(FaultReport(command.side, link::ReportFrame::Fault::kBreak));
        return;
    }
    std::vector<link::ReportFrame> produced;
    auto forced = faults_.answers.end();
    if (!faults_.answers.empty()) {
        std::string full_name;
        full_name.append(command.service)
            .append("__")
            .append(command.module)
            .append("__")
            .append(command.name);
        forced = faults_.answers.find(full_name);
    }
    if (forced != faults_.answers.end()) {
        for (link::ReportFrame r : forced->second) {
            r.side = command.side;
            produced.push_back(std::move(r));
        }
    } else {
        target_->Handle(command, produced);
    }
    for (link::ReportFrame& r : produced) {
        ++reports_seen_;
        if (faults_.drop_reports.count(reports_seen_) != 0 &&
            (!ledger_ || ledger_->Take(reports_seen_))) {
            continue;
        }
        r.delay_ms += faults_.report_delay_ms;
        const bool close_now = PassFrame();
        if (frames_passed_ == faults_.corrupt_frame) {
            broken_ = true;
            link::ReportFrame bad = FaultReport(command.side, link::ReportFrame::Fault::kMalformed);
            bad.delay_ms = r.delay_ms;
            reports.push_back(std::move(bad));
            return;
        }
        reports.push_back(std::move(r));
        if (close_now) {
            broken_ = true;
            reports.push_back(FaultReport(command.side, link::ReportFrame::Fault::kBreak));
            return;
        }
    }
}

}  // namespace quorvex::sim
