// Command dispatch, the welcome announcement and the image of the simulated
// target.
#include "target/Simulator.h"

#include "FlashCore.h"
#include "FlashStore.h"
#include "Handlers.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::sim {
namespace {

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

Simulator::Simulator(const SimConfig& config, std::unique_ptr<FlashStore> store)
    : config_(config), store_(std::move(store)) {
    cores_[0] = std::make_unique<FlashCore>(config.cp, config.clock, store_.get(), 0);
    cores_[1] = std::make_unique<FlashCore>(config.ap, config.clock, store_.get(), 1);
}

Simulator::~Simulator() {
    // The cores hold a pointer to the store.
    for (auto& core : cores_) core.reset();
}

std::unique_ptr<Simulator> Simulator::Create(const SimConfig& config, std::string* error) {
    const std::string problem = ValidateConfig(config);
    if (!problem.empty()) {
        *error = "simulated target: " + problem;
        return nullptr;
    }
    std::unique_ptr<FlashStore> store = FlashStore::Open(config.image_dir, config.durable, error);
    if (!store) return nullptr;
    std::unique_ptr<Simulator> sim(new Simulator(config, std::move(store)));
    for (auto& core : sim->cores_) {
        if (!core->Load(error)) {
            if (!config.image_dir.empty()) *error = config.image_dir + ": " + *error;
            return nullptr;
        }
    }
    return sim;
}

void Simulator::NoteStorageError(FlashCore& core) {
    std::string error = core.TakeStorageError();
    if (error.empty()) return;
    if (config_.log) config_.log(error);
    persist_error_ = std::move(error);
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
        for (auto& c : cores_) {
            c->Reset();
            NoteStorageError(*c);
        }
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
    NoteStorageError(core);
}

std::shared_ptr<link::TargetAgent> MakeTargetAgent(const SimConfig& config, std::string* error) {
    std::shared_ptr<link::TargetAgent> sim = Simulator::Create(config, error);
    if (!sim || !config.faults.Any()) return sim;
    return std::make_shared<FaultInjectingAgent>(std::move(sim), config.faults);
}

}  // namespace quorvex::sim
