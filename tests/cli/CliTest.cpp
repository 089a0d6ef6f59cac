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
#include <set>
#include <string>
#include <vector>

#include "CliProcess.h"

namespace {

using quorvex::testing::Outcome;
using quorvex::testing::ReadAll;

class CliTest : public quorvex::testing::CliHomeTest {};

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

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

TEST_F(CliTest, RefusalsNameWhatFailedAndLeaveThePcSideAlone) {
    const std::string original = MakeFile("p.bin", 100);
    ASSERT_EQ(Run("put " + original).status, 0);
    const std::string kept = MakeFile("kept.txt", 10);
    const std::string kept_bytes = ReadAll(kept);
    const std::set<std::string> files_before = Names(home_);
    const std::string usage_get = " (usage: quorvex get FLASH [PC])\n";
    ExpectRefusals({
        {"frobnicate", 64, "quorvex: unknown command 'frobnicate' (see quorvex --help)\n"},
        {"chmod 9x9 a", 64,
         "quorvex: MODE is octal, e.g. 444, not '9x9' (usage: quorvex chmod MODE FILE)\n"},
        {"get p.bin --verify", 64, "quorvex: get does not take --verify" + usage_get},
        {"get p.bin a b", 64, "quorvex: get takes at most 2 operands, not 3" + usage_get},
        {"info extra", 64, "quorvex: info takes no operands (usage: quorvex info)\n"},
        {"rtc 2026-02-29T00:00:00", 64,
         "quorvex: rtc takes a real time YYYY-MM-DDTHH:MM:SS from 1970 to 2037, not "
         "'2026-02-29T00:00:00' (usage: quorvex rtc [YYYY-MM-DDTHH:MM:SS])\n"},
        {"rtc 2038-01-01T00:00:00 --json", 64,
         "quorvex: rtc takes a real time YYYY-MM-DDTHH:MM:SS from 1970 to 2037, not "
         "'2038-01-01T00:00:00' (usage: quorvex rtc [YYYY-MM-DDTHH:MM:SS])\n",
         "{\"error\":{\"code\":64,\"message\":\"rtc takes a real time YYYY-MM-DDTHH:MM:SS from "
         "1970 to 2037, not '2038-01-01T00:00:00' (usage: quorvex rtc "
         "[YYYY-MM-DDTHH:MM:SS])\"}}\n"},
        {"df xyz", 64, "quorvex: the target has no volume 'xyz' (it lists: dfm)\n"},
        {"format", 64,
         "quorvex: format needs --yes when no terminal can confirm it (usage: quorvex format "
         "[VOLUME] [--yes])\n"},
        {"--trace " + home_ + "/no/t.log ls", 64,
         "quorvex: cannot write the trace file " + home_ +
             "/no/t.log: No such file or directory\n"},
        {"put " + home_ + "/nothing.bin", 2,
         "quorvex: error 2: cannot read the PC file " + home_ +
             "/nothing.bin: No such file or directory\n"},
        {"put " + home_, 2,
         "quorvex: error 2: cannot read the PC file " + home_ + ": it is a folder, not a file\n"},
        {"rm nothing.bin --json", 13,
         "quorvex: error 13: the target refused to remove the file (flash dfm/nothing.bin); "
         "likely: no such file, or a read-only file\n",
         "{\"error\":{\"code\":13,\"message\":\"the target refused to remove the file (flash "
         "dfm/nothing.bin); likely: no such file, or a read-only file\"}}\n"},
        {"get p.bin /dev/full", 5,
         "quorvex: error 5: a PC file cannot be opened or used: /dev/full: the disk is full (No "
         "space left on device)\n"},
        {"get missing.bin " + kept, 6,
         "quorvex: error 6: the target refused to open the file (flash dfm/missing.bin, PC " +
             kept +
             "); likely: no such file, a name longer than the target's longest name, a read-only "
             "file, or a missing folder\n"},
    });
    EXPECT_FALSE(std::filesystem::exists("--verify"));
    // The failed get left the old file as it was and no temporary file.
    EXPECT_EQ(ReadAll(kept), kept_bytes);
    EXPECT_EQ(Names(home_), files_before);
    EXPECT_EQ(Run("--target tcp://127.0.0.1:1 info").status, 101);
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
    Outcome format = Run("format --yes --progress json");
    ASSERT_EQ(format.status, 0) << format.err;
    EXPECT_EQ(format.err,
              "{\"progress\":\"start\",\"total\":300000,\"kind\":4}\n{\"progress\":\"end\"}\n");

    for (const std::string& command :
         std::vector<std::string>{"put " + file, "get p.bin " + home_ + "/o.bin", "format --yes"}) {
        Outcome other = Run("--instance other " + command + " --progress json");
        ASSERT_EQ(other.status, 0) << command;
        EXPECT_EQ(other.err, "") << command;
    }
}

TEST_F(CliTest, TermSignalStopsAPutAndLeavesNothingBehind) {
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
    kill(pid, SIGTERM);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 28);
    EXPECT_EQ(Run("ls --json").out, "[]\n");
}

TEST_F(CliTest, QuestionsOnATerminalGoAheadOnlyOnAnExplicitAnswer) {
    const std::string original = MakeFile("p.bin", 100);
    ASSERT_EQ(Run("put " + original).status, 0);
    const std::string other = MakeFile("other.bin", 50);
    struct Answer {
        std::vector<std::string> args;
        std::string typed;
        int status;
        std::string err_end;
    };
    const std::string cancelled = "cancelled at the target-type question; nothing was sent\n";
    const std::string not_formatted = "error 28: format cancelled; nothing was sent\n";
    for (const Answer& a : std::vector<Answer>{
             {{"put", other, "p.bin"}, "q\n", 28, cancelled},
             {{"put", other, "p.bin"}, "\n", 28, cancelled},
             {{"put", other, "p.bin"}, "x\n\x04", 28, cancelled},
             {{"format", "--core", "cp"}, "y\n", 28, not_formatted},
             {{"format", "--core", "cp"}, "\x04", 28, not_formatted},
             {{"info", "--json"}, "2\n", 0, "(Enter or q cancels): "},
         }) {
        SCOPED_TRACE(a.args[0] + " " + a.typed);
        const Outcome o = quorvex::testing::RunOnTerminal(home_, a.args, a.typed);
        EXPECT_EQ(o.status, a.status);
        EXPECT_GE(o.err.size(), a.err_end.size());
        EXPECT_EQ(o.err.substr(o.err.size() - std::min(o.err.size(), a.err_end.size())), a.err_end);
    }
    EXPECT_EQ(ReadAll(home_ + "/stdout"), quorvex::testing::kDefaultApInfoJson);
    ASSERT_EQ(Run("get p.bin " + home_ + "/back.bin").status, 0);
    EXPECT_EQ(ReadAll(home_ + "/back.bin"), ReadAll(original));
    EXPECT_EQ(quorvex::testing::RunOnTerminal(home_, {"format", "--core", "cp"}, "yes\n").status,
              0);
    EXPECT_EQ(Run("ls --json").out, "[]\n");
}

TEST_F(CliTest, InfoAndVolumesJson) {
    EXPECT_EQ(Run("info --json").out, quorvex::testing::kDefaultCpInfoJson);
    EXPECT_EQ(Run("--core ap info --json").out, quorvex::testing::kDefaultApInfoJson);
    EXPECT_EQ(Run("volumes --json").out, "[\"dfm\"]\n");
}

TEST_F(CliTest, SettingsChangeWhatTheHostDoes) {
    EXPECT_EQ(Run("settings --json").out,
              "{\"Update RTC\":0,\"Update Diagnosis Information\":1,\"Available Space\":0,"
              "\"FDI Ver Check\":1,\"Verify After Write\":1}\n");
    EXPECT_EQ(Run("settings Nonsense 1").status, 64);
    const std::string file = MakeFile("p.bin", 2048);
    const std::string put = "put " + file + " --progress json";
    const std::string verified = quorvex::testing::kVerifiedPut2048Progress;
    const std::string unverified = verified.substr(0, verified.find("{\"progress\":\"start\"", 1)) +
                                   "{\"progress\":\"end\"}\n";
    const std::string free_line = "quorvex: 4192256 bytes free on dfm\n";
    struct Case {
        std::string setting;  // "KEY VALUE", or empty for the defaults
        std::string args;
        std::string err;
    };
    for (const Case& k : std::vector<Case>{
             {"", put, verified},
             {"", put + " --no-verify", unverified},
             {"\"Verify After Write\" 0", put, unverified},
             {"", put + " --verify", verified},
             {"\"Available Space\" 1", put, unverified + free_line},
             {"", "get p.bin " + home_ + "/back.bin --progress none", free_line},
         }) {
        SCOPED_TRACE(k.setting + " " + k.args);
        if (!k.setting.empty()) {
            ASSERT_EQ(Run("settings " + k.setting).status, 0);
        }
        const Outcome o = Run(k.args);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.err, k.err);
    }
    // The module's trace lines reach the log only while the switch is on.
    const std::string log = home_ + "/quorvex.log";
    const std::string traced = "[Quorvex/trace] NVM: set CP\n";
    const auto count = [&] {
        const std::string text = ReadAll(log);
        std::size_t n = 0;
        for (auto at = text.find(traced); at != std::string::npos; at = text.find(traced, at + 1))
            ++n;
        return n;
    };
    const std::size_t before = count();
    EXPECT_GT(before, 0u);
    ASSERT_EQ(Run("settings \"Update Diagnosis Information\" 0").status, 0);
    ASSERT_EQ(Run("ls").status, 0);
    EXPECT_EQ(count(), before);
}

TEST_F(CliTest, PathNamesAFolderWithOrWithoutItsSlash) {
    const std::string file = MakeFile("x.bin", 10);
    ASSERT_EQ(Run("mkdir sub").status, 0);
    ASSERT_EQ(Run("put " + file + " sub/x.bin").status, 0);
    ASSERT_EQ(Run("put " + file + " subway.bin").status, 0);
    for (const char* path : {"dfm/sub", "dfm/sub/"}) {
        const std::string listed = Run(std::string("--path ") + path + " ls --json").out;
        EXPECT_EQ(listed.rfind("[{\"name\":\"x.bin\",", 0), 0u) << path << listed;
        EXPECT_EQ(listed.find("},{"), std::string::npos) << path << listed;
    }
}

}  // namespace
