// The simulator behind the transfer tests' scripted target.
#include "SimFlash.h"

#include <algorithm>
#include <set>

#include "cmdlib/Payload.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::test {

using link::PayloadReader;

SimFlash::SimFlash(std::shared_ptr<link::ScriptedTarget> target, const std::string& version,
                   const std::vector<std::string>& optional, std::uint64_t capacity) {
    sim::SimConfig config;
    std::set<std::string> commands(sim::AllCommandNames().begin(), sim::AllCommandNames().end());
    for (const auto& name : sim::OptionalCommandNames())
        if (std::find(optional.begin(), optional.end(), name) == optional.end())
            commands.erase(name);
    for (sim::CoreConfig* core : {&config.cp, &config.ap}) {
        core->fdi_version = version;
        core->volumes = {{"dfm", capacity, false}};
        core->commands = commands;
    }
    harness_ = std::make_unique<sim::testing::Harness>(config);
    // The harness owns the simulator and outlives every agent made here.
    agent_ = std::shared_ptr<link::TargetAgent>(&harness_->sim(), [](link::TargetAgent*) {});
    const bool narrow = version == "FDI5";
    target->On("*").Sticky().Respond(
        [this, narrow](const link::CommandFrame& command, std::vector<link::ReportFrame>& reports) {
            // A close counts as sent even when its answer is lost.
            if (command.name == "Fclose") ++closes_[PayloadReader(command.data).I32()];
            agent_->Handle(link::ViewOf(command), reports);
            if (reports.empty() && silenced_.empty()) silenced_ = command.name;
            if (command.name == "Fopen" && !reports.empty() &&
                reports[0].name.rfind("F_Open_Return_FileID", 0) == 0) {
                PayloadReader id(reports[0].data);
                opened_.push_back(narrow ? id.I16() : id.I32());
            }
            if (after) after(command, reports);
        });
}

void SimFlash::LoseReport(int k) {
    sim::FaultConfig faults;
    faults.drop_reports = {static_cast<std::uint64_t>(k)};
    agent_ = std::make_shared<sim::FaultInjectingAgent>(agent_, faults);
}

void SimFlash::Put(const std::string& path, const Bytes& content) {
    // The volume's own name is refused as a folder, which is fine.
    for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        harness_->MakeDir(1, path.substr(0, slash));
    ASSERT_TRUE(harness_->Put(1, path, content)) << path;
}

std::optional<SimFlash::Bytes> SimFlash::Get(const std::string& path) {
    const std::int32_t id = harness_->Open(1, path, "rb");
    if (id < 0) return std::nullopt;
    Bytes content = harness_->ReadAll(1, id, 1024);
    harness_->Close(1, id);
    return content;
}

}  // namespace quorvex::test
