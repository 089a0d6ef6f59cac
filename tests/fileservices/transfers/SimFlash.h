// The simulated target behind a scripted one, for the transfer tests: every
// command no one-shot rule of the test answers goes to the simulator, through
// its fault agent once a lost report is armed. Keeps the identifiers the host
// was given and the closes it sent; flash files are read and filled through
// the target tests' harness, without the host.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cmdlib/ScriptedTarget.h"
#include "target/TargetHarness.h"

namespace quorvex::test {

class SimFlash {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Both cores run `version` with volume "dfm" of `capacity` bytes and the
    // commands every target has plus `optional` (full names).
    SimFlash(std::shared_ptr<link::ScriptedTarget> target, const std::string& version,
             const std::vector<std::string>& optional, std::uint64_t capacity);

    // A flash file ("dfm/a") of the application core, with the folders on its way.
    void Put(const std::string& path, const Bytes& content);
    std::optional<Bytes> Get(const std::string& path);

    // The report of the k-th exchange from now on is lost (the fault agent drops it).
    void LoseReport(int k);
    bool injected() const { return !silenced_.empty(); }
    // Short name of the command whose report was lost.
    const std::string& silenced() const { return silenced_; }
    // Runs for every command after the simulator answered it; it may change the
    // reports or stop the transfer as another thread would.
    std::function<void(const link::CommandFrame&, std::vector<link::ReportFrame>&)> after;

    const std::vector<std::int32_t>& opened() const { return opened_; }
    const std::map<std::int32_t, int>& closes() const { return closes_; }

  private:
    std::unique_ptr<sim::testing::Harness> harness_;
    std::shared_ptr<link::TargetAgent> agent_;  // the simulator, or the fault agent around it
    std::string silenced_;
    std::vector<std::int32_t> opened_;
    std::map<std::int32_t, int> closes_;
};

}  // namespace quorvex::test
