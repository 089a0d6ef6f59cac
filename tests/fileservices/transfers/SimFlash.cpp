// The simulator behind the transfer tests' scripted target.
#include "SimFlash.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "cmdlib/Payload.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::test {

using link::PayloadBuilder;
using link::PayloadReader;

namespace {
PayloadBuilder IdField(bool narrow, std::int32_t id) {
    return narrow ? PayloadBuilder().I16(static_cast<std::int16_t>(id)) : PayloadBuilder().I32(id);
}
}  // namespace

SimFlash::SimFlash(std::shared_ptr<link::ScriptedTarget> target, const std::string& version,
                   const std::vector<std::string>& optional, std::uint64_t capacity)
    : narrow_(version == "FDI5") {
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
    std::string error;
    sim_ = sim::Simulator::Create(config, &error);
    if (!sim_) throw std::runtime_error(error);
    agent_ = sim_;
    target->On("*").Sticky().Respond(
        [this](const link::CommandFrame& command, std::vector<link::ReportFrame>& reports) {
            // A close counts as sent even when its answer is lost.
            if (command.name == "Fclose") ++closes_[PayloadReader(command.data).I32()];
            agent_->Handle(command, reports);
            if (reports.empty() && silenced_.empty()) silenced_ = command.name;
            if (command.name == "Fopen" && !reports.empty() &&
                reports[0].name.rfind("F_Open_Return_FileID", 0) == 0) {
                PayloadReader id(reports[0].data);
                opened_.push_back(narrow_ ? id.I16() : id.I32());
            }
            if (after) after(command, reports);
        });
}

void SimFlash::LoseReport(int k) {
    sim::FaultConfig faults;
    faults.drop_reports = {static_cast<std::uint64_t>(k)};
    agent_ = std::make_shared<sim::FaultInjectingAgent>(sim_, faults);
}

std::vector<link::ReportFrame> SimFlash::Direct(const std::string& name, const Bytes& data) {
    link::CommandFrame command;
    command.side = 1;
    command.service = "FDI";
    command.module = "Transport";
    command.name = name;
    command.data = data;
    std::vector<link::ReportFrame> reports;
    sim_->Handle(command, reports);
    return reports;
}

std::int32_t SimFlash::OpenDirect(const std::string& path, const char* mode) {
    const auto reports = Direct("Fopen", PayloadBuilder().Text(path, 256).Text(mode, 256));
    if (reports.size() != 1 || reports[0].name.rfind("F_Open_Return", 0) != 0) return -1;
    PayloadReader id(reports[0].data);
    return narrow_ ? id.I16() : id.I32();
}

void SimFlash::Put(const std::string& path, const Bytes& content) {
    // Folders on the way first; the volume's own name is refused, which is fine.
    for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        Direct("MkDir", PayloadBuilder().Text(path.substr(0, slash), 256).U16(0755));
    const std::int32_t id = OpenDirect(path, "wb+");
    for (std::size_t at = 0; at < content.size(); at += 1024) {
        const Bytes part(content.begin() + at,
                         content.begin() + std::min(content.size(), at + 1024));
        Direct("Fwrite",
               IdField(narrow_, id).U16(static_cast<std::uint16_t>(part.size())).Bytes(part));
    }
    Direct("Fclose", PayloadBuilder().I32(id));
}

std::optional<SimFlash::Bytes> SimFlash::Get(const std::string& path) {
    const std::int32_t id = OpenDirect(path, "rb");
    if (id < 0) return std::nullopt;
    Bytes content;
    for (bool last = false; !last;) {
        const auto reports = Direct("Fread", IdField(narrow_, id).U16(1024).Zeros(2));
        if (reports.size() != 1 || reports[0].name != "F_Read_Packet") return std::nullopt;
        PayloadReader packet(reports[0].data);
        packet.U16();
        last = packet.U16() != 0;
        const std::size_t count = packet.U16();
        content.insert(content.end(), reports[0].data.begin() + 6,
                       reports[0].data.begin() + 6 + static_cast<std::ptrdiff_t>(count));
    }
    Direct("Fclose", PayloadBuilder().I32(id));
    return content;
}

}  // namespace quorvex::test
