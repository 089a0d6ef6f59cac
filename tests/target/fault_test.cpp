// The fault-injecting agent: dropped, delayed and replaced reports, and the
// connection faults it marks for the transport.
#include "TargetHarness.h"
#include "target/FaultInjectingAgent.h"

namespace quorvex::sim::testing {
namespace {

using Fault = link::ReportFrame::Fault;

link::CommandFrame Command(const std::string& name, Bytes data = {}, int side = 0) {
    link::CommandFrame c;
    c.side = side;
    c.service = "FDI";
    c.module = "Transport";
    c.name = name;
    c.data = std::move(data);
    return c;
}

std::shared_ptr<Simulator> NewSim(std::shared_ptr<std::int64_t>* clock = nullptr) {
    TestTarget t;
    if (clock != nullptr) *clock = t.now;
    std::string error;
    return Simulator::Create(t.config, &error);
}

std::vector<link::ReportFrame> Answer(link::TargetAgent& agent, const link::CommandFrame& c) {
    std::vector<link::ReportFrame> out;
    agent.Handle(c, out);
    return out;
}

TEST(FaultInjection, DropsTheChosenReportsAndDelaysTheRest) {
    FaultConfig f;
    f.drop_reports = {2, 4};
    f.report_delay_ms = 250;
    FaultInjectingAgent agent(NewSim(), f);
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        for (const auto& r :
             Answer(agent, Command("MkDir", MkDirParams("d" + std::to_string(i))))) {
            EXPECT_EQ(r.delay_ms, 250u);
            seen.push_back(r.name + std::to_string(i));
        }
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"mkdir_Success0", "mkdir_Success2", "mkdir_Success4"}));
    EXPECT_EQ(agent.reports_seen(), 5u);
    // Dropping an answer does not undo the command.
    EXPECT_EQ(Answer(agent, Command("MkDir", MkDirParams("d1"))).front().name, "mkdir_Error");

    // Connections sharing a ledger count from 1 each; a position fires once.
    f.report_delay_ms = 0;
    auto sim = NewSim();
    auto ledger = std::make_shared<DropLedger>();
    FaultInjectingAgent first(sim, f, ledger), second(sim, f, ledger), third(sim, f, ledger);
    const auto status = Command("FStatus", Path("dfm"));
    EXPECT_EQ(Answer(first, status).size(), 1u);
    EXPECT_EQ(Answer(second, status).size(), 1u);
    EXPECT_EQ(Answer(second, status).size(), 0u);  // its 2nd
    EXPECT_EQ(Answer(first, status).size(), 1u);   // its 2nd too, but taken already
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Answer(third, status).size(), 1u) << i;
}

TEST(FaultInjection, ChosenAnswerReplacesTheCommand) {
    FaultConfig f;
    link::ReportFrame forced;
    forced.service = "FDI";
    forced.module = "Transport";
    forced.name = "mkdir_Error";
    forced.data = Text(": 5");
    f.answers["FDI__Transport__MkDir"] = {forced};
    f.answers["FDI__Transport__GetFdiVersion"] = {};
    FaultInjectingAgent agent(NewSim(), f);

    const auto got = Answer(agent, Command("MkDir", MkDirParams("x"), 1));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].name, "mkdir_Error");
    EXPECT_EQ(got[0].side, 1);
    EXPECT_EQ(got[0].data, Text(": 5"));
    EXPECT_TRUE(Answer(agent, Command("GetFdiVersion")).empty());
    EXPECT_EQ(Answer(agent, Command("FStatus", Path("x"), 1)).front().name, "F_Status_Error");
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
            for (const auto& r : Answer(agent, Command("GetFdiVersion"))) {
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
