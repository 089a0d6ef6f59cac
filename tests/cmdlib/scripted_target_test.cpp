// The test target's script (rule choice, computed answers, recording) and the
// little-endian payload helpers the module's tests build reports with.
#include <vector>

#include "cmdlib/Payload.h"
#include "link_fixture.h"

namespace {

using quorvex::link::CommandFrame;
using quorvex::link::PayloadBuilder;
using quorvex::link::PayloadReader;
using quorvex::link::ReportFrame;

class ScriptedTargetRules : public LinkTest {
  protected:
    // Sends `name` to `side` and returns the first byte of the answer, or -1.
    int Ask(const char* name, std::int32_t side = 0, std::uint8_t parameter = 0) {
        CCommandLink link;
        CZENTOMessage command = Command(name, &parameter, 1);
        command.Side = side;
        return Run(link, command, "FDI__Transport__Answer", 1000) == UE_LINK_OK ? buffer_[0] : -1;
    }
};

TEST_F(ScriptedTargetRules, OneShotRulesGoInOrderBeforeStickyOnes) {
    target_->On("Fopen").Sticky().Reply("FDI__Transport__Answer", {9});
    target_->On("Fopen").Reply("FDI__Transport__Answer", {1});
    target_->On("FDI__Transport__Fopen").Reply("FDI__Transport__Answer", {2});
    target_->On("Fclose").Reply("FDI__Transport__Answer", {3});
    EXPECT_EQ(target_->UnusedRules(), 3u);
    EXPECT_EQ(Ask("Fopen"), 1);
    EXPECT_EQ(Ask("Fopen"), 2);
    EXPECT_EQ(Ask("Fopen"), 9);
    EXPECT_EQ(Ask("Fopen"), 9);
    EXPECT_EQ(target_->UnusedRules(), 1u);
    EXPECT_EQ(Ask("Fread"), -1);
}

TEST_F(ScriptedTargetRules, SideNarrowsARuleAndStarMatchesAnything) {
    target_->On("Fopen").OnSide(1).Reply("FDI__Transport__Answer", {1});
    target_->On("*").Sticky().Reply("FDI__Transport__Answer", {7});
    EXPECT_EQ(Ask("Fopen", 0), 7);
    EXPECT_EQ(Ask("Fopen", 1), 1);
    EXPECT_EQ(Ask("Anything", 1), 7);
}

TEST_F(ScriptedTargetRules, RespondComputesAnswersFromTheCommand) {
    target_->On("Echo").Sticky().Respond(
        [](const CommandFrame& command, std::vector<ReportFrame>& reports) {
            ReportFrame report;
            report.service = "FDI";
            report.module = "Transport";
            report.name = "Answer";
            report.data = {static_cast<std::uint8_t>(command.data.at(0) + 1)};
            reports.push_back(report);
        });
    EXPECT_EQ(Ask("Echo", 0, 41), 42);
    EXPECT_EQ(Ask("Echo", 0, 1), 2);
}

TEST_F(ScriptedTargetRules, RecordsVirtualSendTimeAndTheHostsTimeOut) {
    transport_->clock().Advance(250);
    Ask("Fopen");
    Ask("Fclose");
    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].sent_at_ms, 250u);
    EXPECT_EQ(sent[1].sent_at_ms, 1250u);
    EXPECT_EQ(sent[1].timeout_ms, 1000u);
    EXPECT_EQ(target_->CommandsNamed("Fclose").size(), 1u);
    EXPECT_EQ(target_->last_client_name(), "quorvex");
}

TEST(Payload, BuildsLittleEndianFieldsAndPaddedText) {
    const std::vector<std::uint8_t> bytes = PayloadBuilder()
                                                .U8(0x01)
                                                .U16(0x0302)
                                                .I16(-2)
                                                .U32(0x07060504)
                                                .I32(-1)
                                                .U64(0x0F0E0D0C0B0A0908ull)
                                                .Text("ab", 4)
                                                .Text("toolong", 3);
    const std::vector<std::uint8_t> want = {
        0x01, 0x02, 0x03, 0xFE, 0xFF, 0x04, 0x05, 0x06, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0x08,
        0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 'a',  'b',  0,    0,    't',  'o',  'o'};
    EXPECT_EQ(bytes, want);

    PayloadReader reader(bytes);
    EXPECT_EQ(reader.U8(), 0x01);
    EXPECT_EQ(reader.U16(), 0x0302);
    EXPECT_EQ(reader.I16(), -2);
    EXPECT_EQ(reader.U32(), 0x07060504u);
    EXPECT_EQ(reader.I32(), -1);
    EXPECT_EQ(reader.U64(), 0x0F0E0D0C0B0A0908ull);
    EXPECT_EQ(reader.Text(4), "ab");
    EXPECT_EQ(reader.Text(3), "too");
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(Payload, ReadingPastTheEndYieldsZeroAndFails) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    PayloadReader reader(bytes);
    EXPECT_EQ(reader.U16(), 0x0201);
    EXPECT_EQ(reader.U32(), 0u);
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.Text(1), "");
}

}  // namespace
