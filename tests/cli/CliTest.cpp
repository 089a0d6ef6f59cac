// Runs the quorvex program as a user or a script would, against the embedded
// simulated target in a private host folder, and checks its output bytes and
// exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CliProcess.h"

namespace {

using quorvex::testing::Outcome;
using quorvex::testing::ReadAll;

class CliTest : public quorvex::testing::CliHomeTest {
  protected:
    Outcome Run(const std::string& args) { return quorvex::testing::RunCli(home_, args); }
};

TEST_F(CliTest, PutListGetCompareRemoveRoundTrip) {
    const std::string original = MakeFile("data.bin", 3000);
    ASSERT_EQ(Run("put " + original + " --verify").status, 0);

    const Outcome listed = Run("ls --json");
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind("[{\"name\":\"data.bin\",\"time\":\"", 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("\"size\":3000,\"size_text\":\"3 KB\",\"attributes\":420,"
                              "\"read_only\":false}]\n"),
              std::string::npos)
        << listed.out;

    ASSERT_EQ(Run("get data.bin " + home_ + "/back.bin").status, 0);
    EXPECT_EQ(ReadAll(home_ + "/back.bin"), ReadAll(original));
    EXPECT_EQ(Run("cmp " + original + " data.bin").status, 0);
    MakeFile("other.bin", 3000);
    EXPECT_EQ(Run("cmp " + home_ + "/other.bin data.bin").status, 8);

    ASSERT_EQ(Run("rm data.bin").status, 0);
    EXPECT_EQ(Run("ls --json").out, "[]\n");
}

TEST_F(CliTest, ExitStatusesAndErrorLines) {
    Outcome usage = Run("frobnicate");
    EXPECT_EQ(usage.status, 64);
    EXPECT_EQ(Run("put").status, 64);
    EXPECT_EQ(Run("chmod 9x9 a").status, 64);

    Outcome missing = Run("put " + home_ + "/nothing.bin --progress json");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(
        missing.err,
        "quorvex: error 2: the PC file cannot be read, or the free-space figure is unknown\n");

    Outcome refused = Run("rm nothing.bin");
    EXPECT_EQ(refused.status, 13);
    EXPECT_EQ(refused.err, "quorvex: error 13: the target refused to remove the file\n");

    Outcome unreachable = Run("--target tcp://127.0.0.1:1 info");
    EXPECT_EQ(unreachable.status, 101);
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("rm --help").status, 0);
}

TEST_F(CliTest, ProgressJsonOnlyForTheGuiInstance) {
    const std::string file = MakeFile("p.bin", 2048);
    Outcome gui = Run("put " + file + " --verify --progress json");
    ASSERT_EQ(gui.status, 0) << gui.err;
    EXPECT_EQ(gui.err, quorvex::testing::kVerifiedPut2048Progress);
    Outcome read = Run("get p.bin " + home_ + "/back.bin --progress json");
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.err,
              "{\"progress\":\"start\",\"total\":2048,\"kind\":1}\n"
              "{\"progress\":\"step\",\"amount\":1024}\n"
              "{\"progress\":\"step\",\"amount\":1024}\n"
              "{\"progress\":\"end\"}\n");
    // Removal looks the full path up in the cached listing, whose names are
    // bare: a fresh process has no match and announces the stand-in total 100.
    Outcome removed = Run("rm p.bin --progress json");
    EXPECT_EQ(removed.err,
              "{\"progress\":\"start\",\"total\":100,\"kind\":3}\n{\"progress\":\"end\"}\n");

    // A format announces the time-out it waits for, derived from the volume's size.
    Outcome format = Run("format --progress json");
    ASSERT_EQ(format.status, 0) << format.err;
    EXPECT_EQ(format.err,
              "{\"progress\":\"start\",\"total\":300000,\"kind\":4}\n{\"progress\":\"end\"}\n");

    for (const std::string& command :
         std::vector<std::string>{"put " + file, "get p.bin " + home_ + "/o.bin", "format"}) {
        Outcome other = Run("--instance other " + command + " --progress json");
        ASSERT_EQ(other.status, 0) << command;
        EXPECT_EQ(other.err, "") << command;
    }
}

TEST_F(CliTest, InterruptStopsAPutAndLeavesNothingBehind) {
    // The persisted image is rewritten after every packet, so this write runs
    // for seconds: long enough to be interrupted in the middle.
    const std::string big = MakeFile("big.bin", 1500000);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("QUORVEX_HOME", home_.c_str(), 1);
        freopen("/dev/null", "w", stderr);
        execl(QUORVEX_CLI, QUORVEX_CLI, "put", big.c_str(), "--progress", "none",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Interrupt once the write has begun: the image appears with the open file.
    for (int i = 0; i < 3000 && !std::filesystem::exists(home_ + "/flash/cp.qxi"); ++i) {
        usleep(10000);
    }
    usleep(300000);
    kill(pid, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 28);
    EXPECT_EQ(Run("ls --json").out, "[]\n");
}

TEST_F(CliTest, InfoAndVolumesJson) {
    EXPECT_EQ(Run("info --json").out, quorvex::testing::kDefaultCpInfoJson);
    EXPECT_EQ(Run("--core ap info --json").out, quorvex::testing::kDefaultApInfoJson);
    EXPECT_EQ(Run("volumes --json").out, "[\"dfm\"]\n");
}

TEST_F(CliTest, FilesPersistBetweenRunsAndSettingsAreStored) {
    const std::string file = MakeFile("keep.bin", 10);
    ASSERT_EQ(Run("put " + file + " kept.bin").status, 0);
    EXPECT_NE(Run("ls").out.find("kept.bin"), std::string::npos);
    EXPECT_EQ(Run("settings \"Verify After Write\" 0").status, 0);
    EXPECT_EQ(Run("settings \"Verify After Write\"").out, "0\n");
    EXPECT_EQ(Run("settings Nonsense 1").status, 64);
}

}  // namespace
