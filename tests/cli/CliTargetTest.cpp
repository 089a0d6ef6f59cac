// The quorvex program against quorvex-target on TCP loopback, as a script
// drives the two: every command with its output bytes and exit statuses, the
// target's flags showing through, and the link codes of a failing target.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "CliProcess.h"

namespace {

using quorvex::testing::Outcome;

class CliTargetTest : public quorvex::testing::CliHomeTest {
  protected:
    void TearDown() override {
        EXPECT_EQ(target_.Stop(SIGTERM), 0);
        CliHomeTest::TearDown();
    }

    // Starts quorvex-target with `args`, after stopping the one running.
    void StartTarget(std::vector<std::string> args) {
        if (target_.running()) {
            EXPECT_EQ(target_.Stop(SIGTERM), 0);
        }
        std::string error;
        args.insert(args.begin(), QUORVEX_TARGET);
        ASSERT_TRUE(target_.Start(args, home_ + "/target.err", &error)) << error;
    }
    Outcome Run(const std::string& args) override {
        return quorvex::testing::RunCli(home_, "--target " + target_.address() + " " + args);
    }

    quorvex::testing::TargetProcess target_;
};

TEST_F(CliTargetTest, InfoVolumesAndTransfers) {
    StartTarget({});
    const std::string file = MakeFile("p.bin", 2048);
    ExpectRuns({
        {"info --json", 0, "", quorvex::testing::kDefaultCpInfoJson},
        {"--core ap info --json", 0, "", quorvex::testing::kDefaultApInfoJson},
        {"volumes --json", 0, "", "[\"dfm\"]\n"},
        {"--core ap volumes --json", 0, "", "[\"mfm\"]\n"},
        {"rtc 2030-01-02T03:04:05", 0, "", "target clock set to 2030-01-02T03:04:05\n"},
        {"put " + file + " --verify --progress json", 0,
         quorvex::testing::kVerifiedPut2048Progress},
    });
    // The target clock runs on from where it was set.
    const Outcome listed = Run("ls --json");
    EXPECT_TRUE(std::regex_match(
        listed.out,
        std::regex("\\[\\{\"name\":\"p\\.bin\",\"time\":\"03:04:0[5-9]\","
                   "\"date\":\"02/01/2030\",\"second_time\":\"03:04:0[5-9]\","
                   "\"second_date\":\"02/01/2030\",\"size\":2048,\"size_text\":"
                   "\"2 KB\",\"attributes\":420,\"read_only\":false,\"type\":"
                   "\"file\",\"mode\":\"0644\",\"created\":\"2030-01-02T03:04:0[5-9]Z\","
                   "\"modified\":\"2030-01-02T03:04:0[5-9]Z\"\\}\\]\n")))
        << listed.out;
    EXPECT_EQ(Run("ls '*.txt' --json").out, "[]\n");

    ASSERT_EQ(Run("get p.bin " + home_ + "/back.bin").status, 0);
    EXPECT_EQ(quorvex::testing::ReadAll(home_ + "/back.bin"), quorvex::testing::ReadAll(file));
    EXPECT_EQ(Run("cmp " + file + " p.bin").out, file + " and p.bin are identical\n");
    const std::string other = MakeFile("other.bin", 2048);
    ExpectRuns({{"cmp " + other + " p.bin", 8,
                 "quorvex: error 8: the files differ (flash dfm/p.bin, PC " + other +
                     "); the flash copy is kept as " + home_ +
                     "/Temp/p.bin (quorvex cmp --clean removes it)\n"}});
    EXPECT_EQ(quorvex::testing::ReadAll(home_ + "/Temp/p.bin"), quorvex::testing::ReadAll(file));
    EXPECT_EQ(Run("cmp --clean").out,
              "removed 1 kept copy from " + home_ + "/Temp and " + home_ + "/Compare\n");
    EXPECT_FALSE(std::filesystem::exists(home_ + "/Temp/p.bin"));
}

TEST_F(CliTargetTest, ManagementCommandsAndTheirRefusals) {
    StartTarget({});
    const std::string file = MakeFile("a.bin", 100);
    ASSERT_EQ(Run("put " + file).status, 0);
    ASSERT_EQ(Run("mv a.bin b.bin").status, 0);
    ASSERT_EQ(Run("chmod 444 b.bin").status, 0);
    const std::string listed = Run("ls --json").out;
    EXPECT_EQ(listed.rfind("[{\"name\":\"b.bin\",", 0), 0u) << listed;
    EXPECT_NE(
        listed.find("\"attributes\":292,\"read_only\":true,\"type\":\"file\",\"mode\":\"0444\""),
        std::string::npos)
        << listed;
    ExpectRuns(
        {{"mv a.bin c.bin", 12,
          "quorvex: error 12: the target refused the rename (flash dfm/a.bin -> c.bin)\n"},
         {"rm b.bin", 13,
          "quorvex: error 13: the target refused to remove the file (flash dfm/b.bin); likely: "
          "no such file, or a read-only file\n"},
         {"chmod 644 missing.bin", 16,
          "quorvex: error 16: the target refused the mode change (flash dfm/missing.bin)\n"},
         {"rmdir logs", 27,
          "quorvex: error 27: the target refused to remove the directory (flash dfm/logs)\n"}});

    ExpectRuns({
        {"mkdir logs --mode 700", 0, ""},
        {"mkdir logs", 26,
         "quorvex: error 26: the target refused to create the directory (flash dfm/logs)\n"},
        {"ls", 0, "", "b.bin\nlogs/\n"},
        {"rmdir logs", 0, ""},
        {"chmod 0644 b.bin", 0, ""},
        {"rm b.bin", 0, ""},
        {"ls --json", 0, "", "[]\n"},
    });
}

TEST_F(CliTargetTest, CapacityFormatClockAndReset) {
    StartTarget({"--capacity", "cp:64K"});
    const std::string big = MakeFile("big.bin", 70000);
    const std::string empty =
        "{\"volume\":\"dfm\",\"size\":65536,\"available\":65536,\"used\":0}\n";
    ExpectRuns({
        {"df --json", 0, "", empty},
        {"--core ap df mfm --json", 0, "",
         "{\"volume\":\"mfm\",\"size\":16777216,\"available\":16777216,\"used\":0}\n"},
        {"put " + big, 18,
         "quorvex: error 18: the file does not fit into the free space (flash dfm/big.bin, PC " +
             big + ")\n"},
        {"put " + MakeFile("a.bin", 1000), 0, ""},
        {"df --json", 0, "",
         "{\"volume\":\"dfm\",\"size\":65536,\"available\":64536,\"used\":1000}\n"},
        {"format --yes", 0, ""},
        {"ls --json", 0, "", "[]\n"},
        {"df --json", 0, "", empty},
        {"reset", 0, "", "reset sent\n"},
    });
    EXPECT_EQ(Run("rtc").status, 0);
    for (const char* bad : {"2030-13-01T00:00:00", "2030-04-31T00:00:00", "2030-05-32T00:00:00"}) {
        EXPECT_EQ(Run(std::string("rtc ") + bad).status, 64) << bad;
    }
}

TEST_F(CliTargetTest, AFailedWriteIsRemovedUnlessKept) {
    // Without the free-space query the write runs into the full volume.
    StartTarget({"--capacity", "cp:4K", "--omit", "cp:GetFdiFdvAvailableSpace"});
    std::filesystem::create_directory(home_ + "/t");
    const std::string file = MakeFile("t/big.bin", 6000);
    const auto failed = [&](const std::string& flash, bool kept) {
        return "quorvex: " +
               (kept ? "kept the partly written dfm/" + flash + " on the target (--keep-partial)\n"
                     : "removed the partly written dfm/" + flash +
                           " from the target (--keep-partial keeps it)\n") +
               "quorvex: error 9: the target failed to write (flash dfm/" + flash + ", PC " + file +
               ")\n";
    };
    ExpectRuns({{"put " + file, 9, failed("big.bin", false)}});
    EXPECT_EQ(Run("ls --json").out, "[]\n");
    // A tree into a new folder: the failure names the file, not the folder looked up first.
    ExpectRuns({{"put -r " + home_ + "/t t", 9, failed("t/big.bin", false)},
                {"put " + file + " --keep-partial", 9, failed("big.bin", true)}});
    EXPECT_NE(Run("ls --json").out.find("\"name\":\"big.bin\""), std::string::npos);
}

TEST_F(CliTargetTest, TermSignalStopsATransferAndLeavesNothingBehind) {
    // Every report held back 5 ms: a 300-packet transfer runs for 1.5 s.
    StartTarget({"--delay-ms", "5"});
    const std::string file = MakeFile("big.bin", 300 * 1024);
    const std::string old = MakeFile("old.bin", 10);
    const std::string old_bytes = quorvex::testing::ReadAll(old);
    // Runs the transfer in the background and sends it SIGTERM once its first
    // progress step shows it under way (or it has ended on its own).
    const std::string progress = home_ + "/progress";
    const auto stopped = [&](const std::string& transfer) {
        return Run("--progress json " + transfer + " 2>" + progress + " & until grep -qs step " +
                   progress + " || ! kill -0 $!; do sleep 0.01; done; kill -TERM $!; wait $!")
            .status;
    };
    EXPECT_EQ(stopped("put " + file + " big.bin"), 28);
    EXPECT_EQ(Run("ls --json").out, "[]\n");
    ASSERT_EQ(Run("put --no-verify " + file).status, 0);
    EXPECT_EQ(stopped("get big.bin " + old), 28);
    EXPECT_EQ(quorvex::testing::ReadAll(old), old_bytes);
    for (const auto& e : std::filesystem::directory_iterator(home_)) {
        EXPECT_EQ(e.path().filename().string().find(".quorvex-"), std::string::npos) << e.path();
    }
}

// Each case starts its own target: its flags show through the commands, and
// a failing target gives the link codes.
TEST_F(CliTargetTest, TargetFlagsAndFaultsShowThroughTheCommands) {
    const std::string no_reset = "quorvex: the target offers no reset command\n";
    const std::string fdi5 =
        "{\"side\":0,\"fdi_version\":\"FDI5\",\"root_path\":\"\",\"extended_mode\":false}\n";
    const std::string not_answered =
        "the target did not answer in time (the FDI version query of the cp side)";
    struct Case {
        std::vector<std::string> flags;
        std::vector<Expected> runs;  // each with its status, stderr and stdout
    };
    for (const Case& c : std::vector<Case>{
             {{"--cp-fdi", "FDI5", "--ap-os", "1", "--omit", "restartCmd", "--omit",
               "ResetBoardUsingWD"},
              {{"info --json", 0, "", fdi5},
               {"--core ap info --json", 0, "",
                "{\"side\":1,\"fdi_version\":\"FDI71\",\"root_path\":\"/RTOS/Vendrix/NVM/\","
                "\"extended_mode\":true}\n"},
               {"--core cp reset", 1, no_reset},
               {"--core ap reset", 1, no_reset}}},
             // The target breaks the second report it sends on a connection. The put
             // must fail on its own, leaving the fault for the next command, whose
             // second report (after the version query) is its listing.
             {{"--corrupt-report", "2"},
              {{"put " + home_ + "/nothing.bin --progress json", 2,
                "quorvex: error 2: cannot read the PC file " + home_ +
                    "/nothing.bin: No such file or directory\n"},
               {"ls", 102, "quorvex: error 102: the target sent a malformed frame\n"}}},
             // WELCOME and the version answer, then the connection is closed.
             {{"--close-after-frames", "2"},
              {{"ls", 101, "quorvex: error 101: no connection to the target, or it was lost\n"}}},
             // The first report since start answers the version query; without it
             // the side's layout is unknown and the write must not be sent.
             {{"--drop-report", "1"},
              {{"put " + MakeFile("a.bin", 10), 100,
                "quorvex: error 100: " + not_answered + "; nothing else was sent\n"},
               {"ls --json", 0, "", "[]\n"}}},
         }) {
        SCOPED_TRACE(c.flags.front());
        StartTarget(c.flags);
        ExpectRuns(c.runs);
    }
}

TEST_F(CliTargetTest, ClockAndVersionSwitchesActOnConnecting) {
    // The first connection's version answer is lost.
    StartTarget({"--drop-report", "1"});
    ExpectRuns({{"settings \"FDI Ver Check\" 0", 0, ""},
                {"info --json", 0,
                 "quorvex: warning: the target did not answer in time (the FDI version query "
                 "of the cp side); going on with the FDI5 layout because \"FDI Ver Check\" "
                 "is 0\n",
                 "{\"side\":0,\"fdi_version\":\"FDI5\",\"root_path\":\"\",\"extended_mode\":"
                 "false}\n"}});
    // Connecting sets the clock back from 2030 to the PC's time.
    ASSERT_EQ(Run("rtc 2030-01-02T03:04:05").status, 0);
    ASSERT_EQ(Run("settings \"Update RTC\" 1").status, 0);
    ASSERT_EQ(Run("put " + MakeFile("a.bin", 10)).status, 0);
    const std::string listed = Run("ls --json").out;
    EXPECT_EQ(listed.find("2030"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"name\":\"a.bin\""), std::string::npos) << listed;
}

}  // namespace
