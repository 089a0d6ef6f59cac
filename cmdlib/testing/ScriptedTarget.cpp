// Scripted test target: rule matching, recording and the welcome it announces.
#include "cmdlib/ScriptedTarget.h"

#include <utility>

namespace quorvex::link {

namespace {

// Splits "service__module__name" at its first two "__"; a name without them
// is taken as the short name alone.
void SplitFullName(const std::string& full, ReportFrame* report) {
    const std::size_t first = full.find("__");
    const std::size_t second = first == std::string::npos ? first : full.find("__", first + 2);
    if (second == std::string::npos) {
        report->name = full;
        return;
    }
    report->service = full.substr(0, first);
    report->module = full.substr(first + 2, second - first - 2);
    report->name = full.substr(second + 2);
}

ReportFrame FaultReport(ReportFrame::Fault fault, std::uint32_t delay_ms) {
    ReportFrame report;
    report.fault = fault;
    report.delay_ms = delay_ms;
    return report;
}

}  // namespace

ScriptedTarget::Rule& ScriptedTarget::Rule::OnSide(std::int32_t side) {
    side_ = side;
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Sticky() {
    sticky_ = true;
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Reply(const std::string& service,
                                                  const std::string& module,
                                                  const std::string& name,
                                                  std::vector<std::uint8_t> payload,
                                                  std::uint32_t delay_ms) {
    ReportFrame report;
    report.service = service;
    report.module = module;
    report.name = name;
    report.data = std::move(payload);
    report.delay_ms = delay_ms;
    reports_.push_back(std::move(report));
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Reply(const std::string& full_name,
                                                  std::vector<std::uint8_t> payload,
                                                  std::uint32_t delay_ms) {
    ReportFrame report;
    SplitFullName(full_name, &report);
    report.data = std::move(payload);
    report.delay_ms = delay_ms;
    reports_.push_back(std::move(report));
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Break(std::uint32_t delay_ms) {
    reports_.push_back(FaultReport(ReportFrame::Fault::kBreak, delay_ms));
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Malformed(std::uint32_t delay_ms) {
    reports_.push_back(FaultReport(ReportFrame::Fault::kMalformed, delay_ms));
    return *this;
}

ScriptedTarget::Rule& ScriptedTarget::Rule::Respond(Responder responder) {
    responder_ = std::move(responder);
    return *this;
}

bool ScriptedTarget::Rule::Matches(const CommandFrame& command) const {
    if (side_.has_value() && *side_ != command.side) return false;
    if (pattern_ == "*") return true;
    if (pattern_.find("__") == std::string::npos) return pattern_ == command.name;
    return pattern_ == command.service + "__" + command.module + "__" + command.name;
}

ScriptedTarget::ScriptedTarget() = default;

CoreAnnouncement* ScriptedTarget::Core(std::int32_t side) {
    if (side == 0) return &welcome_.cp;
    if (side == 1) return &welcome_.ap;
    return nullptr;
}

void ScriptedTarget::SetOsType(std::int32_t side, std::int32_t os_type) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (CoreAnnouncement* core = Core(side)) core->os_type = os_type;
}

void ScriptedTarget::AddCommands(std::int32_t side, const std::vector<std::string>& full_names) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (CoreAnnouncement* core = Core(side)) {
        core->commands.insert(core->commands.end(), full_names.begin(), full_names.end());
    }
}

void ScriptedTarget::SetWelcome(const Welcome& welcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    welcome_ = welcome;
}

ScriptedTarget::Rule& ScriptedTarget::On(const std::string& pattern) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.emplace_back();
    rules_.back().pattern_ = pattern;
    return rules_.back();
}

std::size_t ScriptedTarget::UnusedRules() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t unused = 0;
    for (const Rule& rule : rules_) {
        if (!rule.sticky_ && !rule.used_) ++unused;
    }
    return unused;
}

std::vector<RecordedCommand> ScriptedTarget::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::vector<RecordedCommand> ScriptedTarget::CommandsNamed(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RecordedCommand> named;
    for (const RecordedCommand& command : commands_) {
        if (command.name == name) named.push_back(command);
    }
    return named;
}

std::string ScriptedTarget::last_client_name() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_name_;
}

Welcome ScriptedTarget::Hello(const std::string& client_name) {
    std::lock_guard<std::mutex> lock(mutex_);
    client_name_ = client_name;
    return welcome_;
}

ScriptedTarget::Rule* ScriptedTarget::FindRule(const CommandFrame& command) {
    for (Rule& rule : rules_) {
        if (!rule.sticky_ && !rule.used_ && rule.Matches(command)) return &rule;
    }
    for (Rule& rule : rules_) {
        if (rule.sticky_ && rule.Matches(command)) return &rule;
    }
    return nullptr;
}

void ScriptedTarget::Handle(const CommandView& view, std::vector<ReportFrame>& reports) {
    CommandFrame command;
    CopyInto(view, &command);
    Responder responder;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        RecordedCommand record;
        record.exchange_id = std::exchange(pending_id_, 0);
        record.sent_at_ms = std::exchange(pending_time_ms_, 0);
        record.side = command.side;
        record.service = command.service;
        record.module = command.module;
        record.name = command.name;
        record.data = command.data;
        record.posted = !command.wants_reply;
        commands_.push_back(std::move(record));

        Rule* rule = FindRule(command);
        if (rule == nullptr) return;
        rule->used_ = true;
        reports.insert(reports.end(), rule->reports_.begin(), rule->reports_.end());
        responder = rule->responder_;
    }
    // Outside the lock: a responder may look at what was recorded so far.
    if (responder) responder(command, reports);
}

void ScriptedTarget::OnSend(std::uint32_t exchange_id, std::uint64_t now_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_id_ = exchange_id;
    pending_time_ms_ = now_ms;
}

void ScriptedTarget::OnWait(std::uint32_t exchange_id, std::uint32_t timeout_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = commands_.rbegin(); it != commands_.rend(); ++it) {
        if (it->exchange_id != exchange_id) continue;
        if (!it->timeout_ms.has_value()) it->timeout_ms = timeout_ms;
        return;
    }
}

}  // namespace quorvex::link
