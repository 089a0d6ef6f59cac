// In-process transport on virtual time: queues an agent's reports with their
// due times and serves waits from that queue without ever sleeping.
#include "cmdlib/InProcessTransport.h"

#include <utility>
#include <vector>

#include "cmdlib/LinkCodes.h"

namespace quorvex::link {

namespace {

bool IsFault(const ReportFrame& report) {
    return report.fault != ReportFrame::Fault::kNone;
}

}  // namespace

InProcessTransport::InProcessTransport(std::shared_ptr<TargetAgent> agent,
                                       const std::string& client_name)
    : agent_(std::move(agent)) {
    if (agent_ != nullptr) {
        welcome_ = agent_->Hello(client_name);
    } else {
        up_ = false;
    }
}

bool InProcessTransport::IsUp() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return up_;
}

void InProcessTransport::SetObserver(std::shared_ptr<ExchangeObserver> observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
}

std::size_t InProcessTransport::QueuedReports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

int InProcessTransport::BreakLocked(ReportFrame::Fault fault) {
    up_ = false;
    queue_.clear();
    return fault == ReportFrame::Fault::kMalformed ? UE_LINK_PROTOCOL : UE_LINK_DOWN;
}

int InProcessTransport::Send(std::uint32_t exchange_id, const CommandFrame& command) {
    return SendFrom(exchange_id, ViewOf(command));
}

int InProcessTransport::SendFrom(std::uint32_t exchange_id, const CommandView& command) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!up_) return UE_LINK_DOWN;
    const std::uint64_t now = clock_.now_ms();
    // A break that is already due happens before this command can leave.
    for (const Queued& queued : queue_) {
        if (IsFault(queued.report) && queued.due_ms <= now) {
            return BreakLocked(queued.report.fault);
        }
    }
    if (observer_ != nullptr) observer_->OnSend(exchange_id, now);

    answers_.clear();
    agent_->Handle(command, answers_);
    std::uint64_t due = now;
    for (ReportFrame& report : answers_) {
        due += report.delay_ms;
        queue_.push_back(Queued{exchange_id, due, std::move(report)});
    }
    answers_.clear();
    return UE_LINK_OK;
}

int InProcessTransport::Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms,
                                ReportFrame* report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!up_) return UE_LINK_DOWN;
    if (observer_ != nullptr) observer_->OnWait(exchange_id, timeout_ms);
    const std::uint64_t deadline = clock_.now_ms() + timeout_ms;

    // The next thing this wait can see: the exchange's own first report, or a
    // fault of any exchange that comes before it. Ties go to the one queued first.
    auto next = queue_.end();
    bool own_seen = false;
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (!IsFault(it->report)) {
            if (own_seen || it->exchange_id != exchange_id) continue;
            own_seen = true;
        }
        if (next == queue_.end() || it->due_ms < next->due_ms) next = it;
    }
    if (next == queue_.end() || next->due_ms > deadline) {
        clock_.AdvanceTo(deadline);
        return UE_LINK_TIMEOUT;
    }
    clock_.AdvanceTo(next->due_ms);
    if (IsFault(next->report)) return BreakLocked(next->report.fault);
    if (report != nullptr) *report = std::move(next->report);
    queue_.erase(next);
    return UE_LINK_OK;
}

void InProcessTransport::Forget(std::uint32_t exchange_id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
        // Faults belong to the connection, not to the exchange that caused them.
        if (it->exchange_id == exchange_id && !IsFault(it->report)) {
            it = queue_.erase(it);
        } else {
            ++it;
        }
    }
}

void InProcessTransport::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    up_ = false;
    queue_.clear();
}

}  // namespace quorvex::link
