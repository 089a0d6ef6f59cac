// The quorvex-target program as its users run it: the module reaches it over
// TCP, its image survives a restart, it refuses connections beyond its limit,
// stops cleanly on SIGTERM and SIGINT, and rejects bad flags with one line.
#include <algorithm>
#include <regex>

#include "EndToEndFixture.h"
#include "cmdlib/Connection.h"
#include "cmdlib/SocketTransport.h"
#include "fileservices/ResultCodes.h"

namespace quorvex::testing {
namespace {

class TargetProgramTest : public EndToEndTest {
  protected:
    void StartTarget(std::vector<std::string> args) {
        std::string error;
        args.insert(args.begin(), QUORVEX_TARGET);
        ASSERT_TRUE(target_.Start(args, home_ + "/target.err", &error)) << error;
        EXPECT_TRUE(std::regex_match(target_.address(), std::regex("tcp://127\\.0\\.0\\.1:[0-9]+")))
            << target_.address();
        link::RegisterSocketSchemes();
        ASSERT_EQ(link::Connect(target_.address(), &error), 0) << error;
    }
    // Ends this test's connection and flash object before the program goes.
    void Leave() {
        CFlashExplorerData::DeleteInstance("end-to-end");
        link::Disconnect();
    }

    TargetProcess target_;
};

TEST_F(TargetProgramTest, PutAndGetOverTcpAndTheImageSurvivesARestart) {
    const std::string image = home_ + "/image";
    StartTarget({"--image", image});
    const std::string bytes = Pattern(3000, 11);
    RoundTrip(Open(TARGET_TYPE_CP), "a.bin", bytes, 1);
    Leave();
    EXPECT_EQ(target_.Stop(SIGTERM), 0);

    StartTarget({"--image", image, "--listen", "tcp://127.0.0.1:0"});
    ASSERT_EQ(Open(TARGET_TYPE_CP).ReadFile(PcPath("again.bin").c_str(), "a.bin"), UE_SUCCESS);
    EXPECT_EQ(ReadPc("again.bin"), bytes);
    Leave();
    EXPECT_EQ(target_.Stop(SIGINT), 0);
}

TEST_F(TargetProgramTest, ConnectionsBeyondTheLimitAreRefusedAndLogged) {
    StartTarget({"--max-connections", "1"});
    std::string error;
    EXPECT_EQ(link::OpenSocketTransport(target_.address(), link::SocketOptions(), &error), nullptr);
    EXPECT_EQ(error, target_.address() + ": target busy: 1 connections in use");
    Leave();
    EXPECT_EQ(target_.Stop(SIGTERM), 0);
    const std::string log = ReadAll(home_ + "/target.err");
    EXPECT_NE(log.find("target busy: 1 connections in use, connection refused"), std::string::npos)
        << log;
}

TEST_F(TargetProgramTest, BadFlagsExitWithOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"--listen"},
        {"--listen", "udp://127.0.0.1:9"},
        {"--cp-fdi", "FDI8"},
        {"--ap-os", "4"},
        {"--omit", "Fopen"},
        {"--omit", "NoSuchCommand"},
        {"--in-limit", "0"},
        {"--out-limit", "ap:32768"},
        {"--max-name", "256"},
        {"--capacity", "4G"},
        {"--max-connections", "0"},
        {"--drop-report", "-1"},
        {"--delay-ms", "1x"},
        {"--idle-timeout", "0"},
    };
    for (std::vector<std::string> args : cases) {
        SCOPED_TRACE(args.front());
        args.insert(args.begin(), QUORVEX_TARGET);
        const Outcome o = RunToEnd(args, home_);
        EXPECT_EQ(o.status, 64);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind("quorvex-target: ", 0), 0u) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    }
    EXPECT_EQ(RunToEnd({QUORVEX_TARGET, "--help"}, home_).status, 0);
}

}  // namespace
}  // namespace quorvex::testing
