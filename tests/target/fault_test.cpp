// The fault-injecting agent: dropped, delayed and replaced reports, and the
// connection faults it marks for the transport.
#include "TargetHarness.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::sim::testing {
namespace {

using Fault = link::ReportFrame::Fault;

std::shared_ptr<Simulator> NewSim() {
    std::string error;
    return Simulator::Create(TestTarget().config, &error);
}

std::vector<link::ReportFrame> Answer(link::TargetAgent& agent, const std::string& name,
                                      const Bytes& data = {}, int side = 0) {
    std::vector<link::ReportFrame> out;
    const link::CommandFrame command = Harness::Frame(side, name, data);
    agent.Handle(link::ViewOf(command), out);
    return out;
}

TEST(FaultInjection, DropsTheChosenReportsAndDelaysTheRest) {
    FaultConfig f;
    f.drop_reports = {2, 4};
    f.report_delay_ms = 250;
    FaultInjectingAgent agent(NewSim(), f);
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        for (const auto& r : Answer(agent, "MkDir", MkDirParams("d" + std::to_string(i)))) {
            EXPECT_EQ(r.delay_ms, 250u);
            seen.push_back(r.name + std::to_string(i));
        }
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"mkdir_Success0", "mkdir_Success2", "mkdir_Success4"}));
    EXPECT_EQ(agent.reports_seen(), 5u);
    // Dropping an answer does not undo the command.
    EXPECT_EQ(Answer(agent, "MkDir", MkDirParams("d1")).front().name, "mkdir_Error");

    // Connections sharing a ledger count from 1 each; a position fires once.
    f.report_delay_ms = 0;
    auto sim = NewSim();
    auto ledger = std::make_shared<DropLedger>();
    FaultInjectingAgent first(sim, f, ledger), second(sim, f, ledger), third(sim, f, ledger);
    // Second's 2nd answer is dropped; first's 2nd then passes, its position taken.
    std::string answered;
    for (auto* agent : {&first, &second, &second, &first, &third, &third, &third})
        answered += std::to_string(Answer(*agent, "FStatus", Path("dfm")).size());
    EXPECT_EQ(answered, "1101111");
}

TEST(FaultInjection, ChosenAnswerReplacesTheCommand) {
    FaultConfig f;
    f.answers["FDI__Transport__MkDir"] = {{0, "FDI", "Transport", "mkdir_Error", Text(": 5")}};
    f.answers["FDI__Transport__GetFdiVersion"] = {};
    FaultInjectingAgent agent(NewSim(), f);

    const auto got = Answer(agent, "MkDir", MkDirParams("x"), 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].name, "mkdir_Error");
    EXPECT_EQ(got[0].side, 1);
    EXPECT_EQ(got[0].data, Text(": 5"));
    EXPECT_TRUE(Answer(agent, "GetFdiVersion").empty());
    EXPECT_EQ(Answer(agent, "FStatus", Path("x"), 1).front().name, "F_Status_Error");
    EXPECT_EQ(agent.Hello("t").cp.commands, AllCommandNames());
}

// Each answer as one letter per report: '.' a plain one, 'B' the break, 'M'
// the malformed frame. Frames count command, report, command, report...
TEST(FaultInjection, FrameFaultsFallOnTheChosenFrameOnly) {
    const struct {
        std::uint32_t close_after, corrupt;
        std::vector<std::string> answers;
        std::uint32_t frames;
    } cases[] = {
        {4, 0, {".", ".B", ""}, 4},
        {3, 0, {".", "B", ""}, 3},  // on a command frame: the command never runs
        {0, 2, {"M", ""}, 2},
        {0, 3, {".", "."}, 4},  // a command frame is never corrupted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.close_after) + "/" + std::to_string(c.corrupt));
        FaultConfig f;
        f.close_after_frames = c.close_after;
        f.corrupt_frame = c.corrupt;
        f.report_delay_ms = 7;
        FaultInjectingAgent agent(NewSim(), f);
        for (const std::string& expected : c.answers) {
            std::string got;
            for (const auto& r : Answer(agent, "GetFdiVersion")) {
                got += ".BM"[static_cast<int>(r.fault)];
                EXPECT_EQ(r.delay_ms, r.fault == Fault::kBreak ? 0u : 7u);
                EXPECT_EQ(r.name == "FDI6", r.fault == Fault::kNone);
            }
            EXPECT_EQ(got, expected);
        }
        EXPECT_EQ(agent.frames_passed(), c.frames);
    }
}

}  // namespace
}  // namespace quorvex::sim::testing
