// What a host sees when the TCP link fails in the middle of a transfer: a
// report that never comes, and a server that goes away.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "EndToEndFixture.h"
#include "cmdlib/LinkCodes.h"
#include "fileservices/ResultCodes.h"
#include "target/Simulator.h"

namespace quorvex::testing {
namespace {

// Forwards to the simulator and, once armed, acts on the n-th report of one
// name: drops it, or sends it and holds every later report back for longer
// than any host waits. Called from the server's thread, watched by the test's.
class ReportTap : public link::TargetAgent {
  public:
    enum class Action { kDrop, kStall };

    explicit ReportTap(std::shared_ptr<link::TargetAgent> target) : target_(std::move(target)) {}

    void Arm(const std::string& name, int nth, Action action) {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = name;
        nth_ = nth;
        action_ = action;
        seen_ = 0;
    }
    // Bounded only so that a broken transfer cannot hang the test.
    void WaitUntilFired() {
        std::unique_lock<std::mutex> lock(mutex_);
        fired_changed_.wait_for(lock, std::chrono::seconds(30), [this] { return fired_; });
    }

    link::Welcome Hello(const std::string& client_name) override {
        return target_->Hello(client_name);
    }
    void Handle(const link::CommandFrame& command,
                std::vector<link::ReportFrame>& reports) override {
        std::vector<link::ReportFrame> produced;
        target_->Handle(command, produced);
        std::lock_guard<std::mutex> lock(mutex_);
        for (link::ReportFrame& report : produced) {
            if (fired_ && action_ == Action::kStall) report.delay_ms = 60000;
            if (!fired_ && nth_ > 0 && report.name == name_ && ++seen_ == nth_) {
                fired_ = true;
                fired_changed_.notify_all();
                if (action_ == Action::kDrop) continue;
            }
            reports.push_back(std::move(report));
        }
    }

  private:
    std::shared_ptr<link::TargetAgent> target_;
    std::mutex mutex_;
    std::condition_variable fired_changed_;
    std::string name_;
    int nth_ = 0;
    int seen_ = 0;
    Action action_ = Action::kDrop;
    bool fired_ = false;
};

class LinkFaultTest : public EndToEndTest {
  protected:
    // A file of five CP read packets on a target behind the tap.
    CFlashExplorerData& ServeFile() {
        std::string error;
        tap_ = std::make_shared<ReportTap>(sim::MakeTargetAgent(sim::DefaultSimConfig(), &error));
        ServeAgent(Route::kTcp, tap_);
        CFlashExplorerData& flash = Open(TARGET_TYPE_CP);
        WritePc("a.bin", bytes_);
        EXPECT_EQ(flash.WriteFile("a.bin", PcPath("a.bin").c_str(), 0), UE_SUCCESS);
        return flash;
    }

    std::shared_ptr<ReportTap> tap_;
    const std::string bytes_ = Pattern(5000, 7);
};

TEST_F(LinkFaultTest, ReportLostInTheMiddleOfAReadTimesOutAndTheObjectCarriesOn) {
    CFlashExplorerData& flash = ServeFile();
    tap_->Arm("F_Read_Packet", 3, ReportTap::Action::kDrop);
    EXPECT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_LINK_TIMEOUT);

    // The file was closed after the time-out, so it opens again from its start.
    ASSERT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_SUCCESS);
    EXPECT_EQ(ReadPc("back.bin"), bytes_);
}

TEST_F(LinkFaultTest, ServerStoppedInTheMiddleOfAReadIsLinkDown) {
    CFlashExplorerData& flash = ServeFile();
    tap_->Arm("F_Read_Packet", 3, ReportTap::Action::kStall);
    std::thread stopper([this] {
        tap_->WaitUntilFired();
        server_->Stop();
    });
    // A host still waiting for the stalled report would end with a time-out.
    EXPECT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_LINK_DOWN);
    stopper.join();

    const CFdiFileList* list = nullptr;
    flash.SetContentChanged(true);
    EXPECT_EQ(flash.GetFileList(list, "*"), UE_LINK_DOWN);
    EXPECT_EQ(flash.WriteFile("b.bin", PcPath("a.bin").c_str(), 0), UE_LINK_DOWN);
}

}  // namespace
}  // namespace quorvex::testing
