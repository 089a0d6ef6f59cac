// The simulated two-core target as a link agent: it announces both cores'
// command databases and answers each command from the addressed core's flash
// file system, in the byte layouts of that core's FDI version.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cmdlib/TargetAgent.h"
#include "target/SimConfig.h"

namespace quorvex::sim {

class FlashCore;
class FlashStore;
class Replier;

// Side 0 addresses the communication core; every other value the application
// core, as the host treats it. A command the addressed core's database does
// not hold, or that the simulator does not know, gets no answer; a posted
// command (wants_reply false) runs but its reports are dropped. The two reset
// commands restart the whole board: both cores close their open files, empty
// their RAM volumes and accept a clock setting again.
//
// The persistent volumes of both cores and their clocks live in one SQLite
// database: "flash.db" in the image directory, or an in-memory one without a
// directory. Each command's change is one transaction, and a file written
// through a handle is committed when the handle is closed, so a crash leaves
// every file with its old or its new content. A command whose change cannot
// be kept is answered with that command's error report, and the reason goes
// to config.log and persist_error(); what was committed before stays.
//
// Thread-compatible, like every TargetAgent.
class Simulator : public link::TargetAgent {
  public:
    // Builds the target. Faults in `config` are not applied here (see
    // MakeTargetAgent). Returns nullptr and one line in *error when the
    // configuration is invalid or the image cannot be read.
    static std::unique_ptr<Simulator> Create(const SimConfig& config, std::string* error);
    ~Simulator() override;

    link::Welcome Hello(const std::string& client_name) override;
    void Handle(const link::CommandView& command, std::vector<link::ReportFrame>& reports) override;
    // Keeps the data buffers of sent reports for the next answers.
    void Recycle(std::vector<link::ReportFrame>& sent) override;

    // Empty while every change was kept; otherwise why the last one failed.
    const std::string& persist_error() const { return persist_error_; }
    // Open file handles of a core (0 CP, otherwise AP).
    std::size_t open_files(int side) const;

  private:
    // How one command name is answered on one core.
    struct Route {
        bool known = false;
        std::string service, module, name, full_name;
        bool offered = false;
        bool reset = false;
        void (*handler)(FlashCore&, const link::CommandView&, Replier&) = nullptr;
    };

    Simulator(const SimConfig& config, std::unique_ptr<FlashStore> store);
    const Route& RouteOf(int index, const link::CommandView& command);
    void NoteStorageError(FlashCore& core);

    SimConfig config_;
    std::unique_ptr<FlashStore> store_;
    std::unique_ptr<FlashCore> cores_[2];
    std::string persist_error_;
    Route routes_[2];  // the last command of each core
    std::vector<link::ReportFrame> dropped_;
    std::vector<std::vector<std::uint8_t>> spare_;  // data buffers of sent reports
};

// The simulator, wrapped in a FaultInjectingAgent when config.faults asks for
// anything. Returns nullptr with *error set on failure.
std::shared_ptr<link::TargetAgent> MakeTargetAgent(const SimConfig& config, std::string* error);

}  // namespace quorvex::sim
