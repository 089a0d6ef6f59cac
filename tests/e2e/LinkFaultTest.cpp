// What a host sees when the TCP link fails in the middle of a transfer: the
// simulated target's fault agent loses a report, or breaks the connection,
// while a file of five packets is read.
#include "EndToEndFixture.h"
#include "fileservices/ResultCodes.h"

namespace quorvex::testing {
namespace {

// After the write of the set-up, the read's open is answered by report 10
// and its packets by reports 11 to 15; each exchange is two frames.
const std::uint64_t kThirdPacketReport = 13;
const std::uint64_t kSecondPacketFrame = 24;

class LinkFaultTest : public EndToEndTest {
  protected:
    // A file of five CP read packets on a target that injects `faults`.
    CFlashExplorerData& ServeFile(const sim::FaultConfig& faults) {
        sim::SimConfig config = sim::DefaultSimConfig();
        config.faults = faults;
        Serve(Route::kTcp, config);
        CFlashExplorerData& flash = Open(TARGET_TYPE_CP);
        WritePc("a.bin", bytes_);
        EXPECT_EQ(flash.WriteFile("a.bin", PcPath("a.bin").c_str(), 0), UE_SUCCESS);
        return flash;
    }

    const std::string bytes_ = Pattern(5000, 7);
};

TEST_F(LinkFaultTest, ReportLostInTheMiddleOfAReadTimesOutAndTheObjectCarriesOn) {
    sim::FaultConfig faults;
    faults.drop_reports = {kThirdPacketReport};
    CFlashExplorerData& flash = ServeFile(faults);
    EXPECT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_LINK_TIMEOUT);
    EXPECT_EQ(ReadPc("back.bin"), bytes_.substr(0, 2048));

    // The file was closed after the time-out, so it opens again from its start.
    ASSERT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_SUCCESS);
    EXPECT_EQ(ReadPc("back.bin"), bytes_);
}

TEST_F(LinkFaultTest, ConnectionBrokenInTheMiddleOfAReadIsLinkDown) {
    sim::FaultConfig faults;
    faults.close_after_frames = kSecondPacketFrame;
    CFlashExplorerData& flash = ServeFile(faults);
    EXPECT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), "a.bin"), UE_LINK_DOWN);
    EXPECT_EQ(ReadPc("back.bin"), bytes_.substr(0, 2048));

    const CFdiFileList* list = nullptr;
    flash.SetContentChanged(true);
    EXPECT_EQ(flash.GetFileList(list, "*"), UE_LINK_DOWN);
    EXPECT_EQ(flash.WriteFile("b.bin", PcPath("a.bin").c_str(), 0), UE_LINK_DOWN);
}

}  // namespace
}  // namespace quorvex::testing
