// Command dispatch, the welcome announcement and image persistence of the
// simulated target.
#include "target/Simulator.h"

#include <filesystem>
#include <system_error>

#include "FlashCore.h"
#include "Handlers.h"
#include "ImageCodec.h"
#include "ImageStore.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::sim {
namespace {

const char* const kImageNames[2] = {"cp.qxi", "ap.qxi"};

bool IsBoardReset(const std::string& full_name) {
    return full_name == "SW_PLAT__CONTROL__restartCmd" ||
           full_name == "Layer1__Calibration__ResetBoardUsingWD";
}

link::CoreAnnouncement Announce(const CoreConfig& core) {
    link::CoreAnnouncement a;
    a.os_type = core.os_type;
    // Catalogue order, so the announcement does not depend on set ordering.
    for (const std::string& name : AllCommandNames()) {
        if (core.Offers(name)) a.commands.push_back(name);
    }
    return a;
}

}  // namespace

Simulator::Simulator(const SimConfig& config) : config_(config) {
    cores_[0] = std::make_unique<FlashCore>(config.cp, config.clock);
    cores_[1] = std::make_unique<FlashCore>(config.ap, config.clock);
}

Simulator::~Simulator() = default;

std::unique_ptr<Simulator> Simulator::Create(const SimConfig& config, std::string* error) {
    const std::string problem = ValidateConfig(config);
    if (!problem.empty()) {
        *error = "simulated target: " + problem;
        return nullptr;
    }
    std::unique_ptr<Simulator> sim(new Simulator(config));
    if (!config.image_dir.empty() && !sim->LoadImages(error)) return nullptr;
    return sim;
}

bool Simulator::LoadImages(std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(config_.image_dir, ec);
    if (ec) {
        *error = "cannot create image directory " + config_.image_dir + ": " + ec.message();
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        const std::string path = config_.image_dir + "/" + kImageNames[i];
        std::vector<std::uint8_t> bytes;
        bool missing = false;
        if (!ReadImageFile(path, &bytes, &missing, error)) return false;
        std::string why;
        if (!missing && !DecodeImage(bytes.data(), bytes.size(), cores_[i].get(), &why)) {
            *error = path + ": " + why;
            return false;
        }
        // A temporary file is what a crash during a save leaves; the image
        // next to it is the last complete one.
        std::filesystem::remove(path + ".tmp", ec);
    }
    return true;
}

void Simulator::SaveImage(int core_index) {
    const std::string path = config_.image_dir + "/" + kImageNames[core_index];
    std::string error;
    if (ReplaceImageFile(path, EncodeImage(*cores_[core_index]), config_.durable, &error)) {
        persist_error_.clear();
    } else {
        persist_error_ = error;
    }
}

FlashCore& Simulator::CoreFor(std::int32_t side) {
    return *cores_[side == 0 ? 0 : 1];
}

std::size_t Simulator::open_files(int side) const {
    return cores_[side == 0 ? 0 : 1]->open_files();
}

link::Welcome Simulator::Hello(const std::string&) {
    link::Welcome welcome;
    welcome.cp = Announce(config_.cp);
    welcome.ap = Announce(config_.ap);
    return welcome;
}

void Simulator::Handle(const link::CommandFrame& command, std::vector<link::ReportFrame>& reports) {
    const int index = command.side == 0 ? 0 : 1;
    FlashCore& core = *cores_[index];
    const std::string full_name = command.service + "__" + command.module + "__" + command.name;
    if (!core.config().Offers(full_name)) return;

    if (IsBoardReset(full_name)) {
        for (auto& c : cores_) c->Reset();
        return;
    }
    const auto& table = CoreHandlers();
    const auto it = table.find(full_name);
    // The extended-mode switch is posted and needs no state: the extended
    // root is accepted whenever the core offers the mode.
    if (it == table.end()) return;

    std::vector<link::ReportFrame> answer;
    Replier reply(command, &answer);
    it->second(core, command, reply);
    if (command.wants_reply) {
        for (auto& r : answer) reports.push_back(std::move(r));
    }
    if (core.TakeDirty() && !config_.image_dir.empty()) SaveImage(index);
}

std::shared_ptr<link::TargetAgent> MakeTargetAgent(const SimConfig& config, std::string* error) {
    std::shared_ptr<link::TargetAgent> sim = Simulator::Create(config, error);
    if (!sim || !config.faults.Any()) return sim;
    return std::make_shared<FaultInjectingAgent>(std::move(sim), config.faults);
}

}  // namespace quorvex::sim
