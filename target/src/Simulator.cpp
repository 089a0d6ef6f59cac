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

const Simulator::Route& Simulator::RouteOf(int index, const link::CommandView& command) {
    Route& route = routes_[index];
    // A transfer sends the same command packet after packet: it is looked up
    // once, and no name is joined or allocated for the packets that follow.
    if (route.known && route.service == command.service && route.module == command.module &&
        route.name == command.name) {
        return route;
    }
    route.service.assign(command.service);
    route.module.assign(command.module);
    route.name.assign(command.name);
    std::string& full = route.full_name;
    full.assign(command.service)
        .append("__")
        .append(command.module)
        .append("__")
        .append(command.name);
    route.offered = cores_[index]->config().Offers(full);
    route.reset = IsBoardReset(full);
    const auto& table = CoreHandlers();
    const auto it = table.find(full);
    route.handler = it == table.end() ? nullptr : it->second;
    route.known = true;
    return route;
}

void Simulator::Handle(const link::CommandView& command, std::vector<link::ReportFrame>& reports) {
    const int index = command.side == 0 ? 0 : 1;
    FlashCore& core = *cores_[index];
    const Route& route = RouteOf(index, command);
    if (!route.offered) return;

    if (route.reset) {
        for (auto& c : cores_) {
            c->Reset();
            NoteStorageError(*c);
        }
        return;
    }
    // The extended-mode switch is posted and needs no state: the extended
    // root is accepted whenever the core offers the mode.
    if (route.handler == nullptr) return;

    // The answers of a posted command are made (the command may fail half
    // way) but nobody waits for them.
    Recycle(dropped_);
    Replier reply(command, command.wants_reply ? &reports : &dropped_, &spare_);
    route.handler(core, command, reply);
    NoteStorageError(core);
}

void Simulator::Recycle(std::vector<link::ReportFrame>& sent) {
    // A few buffers are enough: a command answers with one data report.
    constexpr std::size_t kSpareBuffers = 4;
    for (link::ReportFrame& report : sent) {
        if (spare_.size() < kSpareBuffers && report.data.capacity() > 0) {
            spare_.push_back(std::move(report.data));
        }
    }
    sent.clear();
}

std::shared_ptr<link::TargetAgent> MakeTargetAgent(const SimConfig& config, std::string* error) {
    std::shared_ptr<link::TargetAgent> sim = Simulator::Create(config, error);
    if (!sim || !config.faults.Any()) return sim;
    return std::make_shared<FaultInjectingAgent>(std::move(sim), config.faults);
}

}  // namespace quorvex::sim
