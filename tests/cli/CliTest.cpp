// Runs the quorvex program as a user or a script would, against the embedded
// simulated target in a private host folder, and checks its output bytes and
// exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
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

TEST_F(CliTest, RefusalsNameWhatFailedAndLeaveThePcSideAlone) {
    const std::string original = MakeFile("p.bin", 100);
    ASSERT_EQ(Run("put " + original).status, 0);
    const std::string kept = MakeFile("kept.txt", 10);
    const std::string kept_bytes = ReadAll(kept);
    const std::set<std::string> files_before = Names(home_);
    const std::string usage_get = " (usage: quorvex get [-r] FLASH... [PC])\n";
    ExpectRuns({
        {"frobnicate", 64, "quorvex: unknown command 'frobnicate' (see quorvex --help)\n"},
        {"chmod 9x9 a", 64,
         "quorvex: MODE is octal, e.g. 444, not '9x9' (usage: quorvex chmod MODE FILE)\n"},
        {"get p.bin --verify", 64, "quorvex: get does not take --verify" + usage_get},
        {"get p.bin a b", 64, "quorvex: several files go into a folder; b is not one\n"},
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
        {"rm 'a\nb'", 13,
         "quorvex: error 13: the target refused to remove the file (flash dfm/a\\x0Ab); likely: "
         "no such file, or a read-only file\n"},
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
    const std::string json = " --progress json", end = "{\"progress\":\"end\"}\n";
    ExpectRuns({
        {"put " + file + " --verify" + json, 0, quorvex::testing::kVerifiedPut2048Progress},
        {"get p.bin " + home_ + "/back.bin" + json, 0,
         "{\"progress\":\"start\",\"total\":2048,\"kind\":1}\n"
         "{\"progress\":\"step\",\"amount\":1024}\n"
         "{\"progress\":\"step\",\"amount\":1024}\n" +
             end},
        // Removal looks the full path up in the cached listing, whose names are
        // bare: a fresh process has no match and announces the stand-in total 100.
        {"rm p.bin" + json, 0, "{\"progress\":\"start\",\"total\":100,\"kind\":3}\n" + end},
        // A format announces the time-out it waits for, from the volume's size.
        {"format --yes" + json, 0, "{\"progress\":\"start\",\"total\":300000,\"kind\":4}\n" + end},
        // Any other instance shows no progress.
        {"--instance other put " + file + json, 0, ""},
        {"--instance other get p.bin " + home_ + "/o.bin" + json, 0, ""},
        {"--instance other format --yes" + json, 0, ""},
    });
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

TEST_F(CliTest, FileToolConventions) {
    const std::string big = MakeFile("b.bin", 300), small = MakeFile("a.bin", 20);
    MakeFile("c.txt", 5);
    ASSERT_EQ(Run("mkdir d").status, 0);
    ASSERT_EQ(Run("put --no-verify " + big + " " + small + " d").status, 0);
    ASSERT_EQ(Run("put " + home_ + "/c.txt d").status, 0);  // an existing folder receives it
    ASSERT_EQ(Run("put " + big + " a.bin").status, 0);      // an existing name, not a folder
    std::filesystem::create_directory(home_ + "/out");
    ExpectRuns({
        {"ls", 0, "", "a.bin\nd/\n"},
        {"ls -rS", 0, "", "d/\na.bin\n"},
        {"ls -S d", 0, "", "b.bin\na.bin\nc.txt\n"},
        {"ls 'd/[bc]*'", 0, "", "b.bin\nc.txt\n"},
        {"--core=ap --json -- volumes", 0, "", "[\"mfm\"]\n"},
        {"-q cmp " + big + " a.bin", 0, "", ""},
        {"--version", 0, "", "quorvex 0.1.0\n"},
        {"df -h", 0, "",
         "volume     dfm\nsize       4.0M\nused       625B\nfree       4.0M\n"
         "usage      [                              ] 0%\n"},
        {"get 'd/*.bin' d/c.txt " + home_ + "/out", 0, "", ""},
        {"cmp " + big + " " + small + " d/", 0, "",
         big + " and d/b.bin are identical\n" + small + " and d/a.bin are identical\n"},
        {"rm 'd/?.bin'", 0, "", ""},
        {"ls d", 0, "", "c.txt\n"},
        // --path names a folder with or without its slash, not "d..." next to it.
        {"--path dfm/d ls", 0, "", "c.txt\n"},
        {"--path dfm/d/ ls", 0, "", "c.txt\n"},
        {"rtc 2028-02-29T23:59:59", 0, "", "target clock set to 2028-02-29T23:59:59\n"},
        {"rtc 2037-12-31T23:59:59", 0, "", "target clock set to 2037-12-31T23:59:59\n"},
        {"lss", 64, "quorvex: unknown command 'lss'; did you mean 'ls'? (see quorvex --help)\n"},
        {"ls --jsn", 64,
         "quorvex: unknown option '--jsn'; did you mean '--json'? (usage: quorvex ls "
         "[-l] [-t|-S] [-r] [FOLDER|PATTERN])\n"},
        {"get a.bin 'd/*' " + big, 64,
         "quorvex: several files go into a folder; " + big + " is not one\n"},
        {"rm 'zz*'", 11, "quorvex: error 11: no flash file matches dfm/zz*\n"},
    });
    EXPECT_EQ(Run("cat a.bin").out, ReadAll(big));
    EXPECT_EQ(ReadAll(home_ + "/out/b.bin") + ReadAll(home_ + "/out/c.txt"),
              ReadAll(big) + ReadAll(home_ + "/c.txt"));
    const std::string stat = Run("stat d --json").out;
    EXPECT_TRUE(std::regex_match(
        stat, std::regex("\\{\"name\":\"d\",.*,\"attributes\":16895,\"read_only\":false,\"type\":"
                         "\"folder\",\"mode\":\"0777\",\"created\":\"20[0-9-]{8}T[0-9:]{8}Z\","
                         "\"modified\":\"20[0-9-]{8}T[0-9:]{8}Z\"\\}\n")))
        << stat;
    setenv("QUORVEX_CORE", "ap", 1);
    setenv("QUORVEX_TARGET", "sim:", 1);  // memory only: nothing there
    EXPECT_EQ(Run("ls --json").out, "[]\n");
    EXPECT_EQ(Run("info --json").out, quorvex::testing::kDefaultApInfoJson);
    unsetenv("QUORVEX_CORE");
    unsetenv("QUORVEX_TARGET");
}

TEST_F(CliTest, OneProgressLineForATreeOnlyWhenAsked) {
    std::filesystem::create_directories(home_ + "/two");
    MakeFile("two/a.bin", 1500);
    MakeFile("two/b.bin", 2100);
    // stderr is no terminal here: nothing but failures goes there.
    const Outcome plain = Run("put -r --no-verify " + home_ + "/two two");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    // The last frame holds the whole operation's true bytes; the core with
    // larger packets than the module's read steps tells true from counted.
    const auto last = [](const std::string& err) {
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
        const std::size_t end = err.rfind('\n');
        const std::size_t start = err.rfind('\r', end);
        const std::size_t figures = err.rfind("  ", err.find(" / ", start));
        if (end == std::string::npos || start == std::string::npos) return err;
        return err.substr(start + 1, err.find("  ", start) - start - 1) + " " +
               err.substr(figures + 2, err.find('%', figures) - figures - 1);
    };
    EXPECT_EQ(last(Run("put -r --progress bar --no-verify --core ap " + home_ + "/two two").err),
              "put [2/2] 3600 B / 3600 B  100%");
    EXPECT_EQ(last(Run("--progress=bar --core ap get -r two " + home_ + "/back").err),
              "get [2/2] 3600 B / 3600 B  100%");
    EXPECT_EQ(last(Run("--progress=bar --core ap get 'two/*' " + home_ + "/back").err),
              "get [2/2] 3600 B / 3600 B  100%");
    EXPECT_EQ(last(Run("--progress=bar --core ap put --verify " + home_ + "/two/a.bin").err),
              "put+verify 3000 B / 3000 B  100%");
}

TEST_F(CliTest, TreesCopyWholeAndSyncCopiesOnlyWhatChanged) {
    namespace fs = std::filesystem;
    const std::string tree = home_ + "/tree";
    fs::create_directories(tree + "/a/b");
    fs::create_directories(tree + "/empty");
    MakeFile("tree/a/b/deep.bin", 5000);
    MakeFile("tree/a/empty.bin", 0);
    MakeFile("tree/x.txt", 4);
    const auto same_tree = [&](const std::string& copy) {
        std::vector<std::string> differences;
        for (const auto& e : fs::recursive_directory_iterator(tree)) {
            const std::string other = copy + e.path().string().substr(tree.size());
            if (e.is_directory() ? !fs::is_directory(other)
                                 : ReadAll(e.path().string()) != ReadAll(other)) {
                differences.push_back(other);
            }
        }
        return differences;
    };
    // The summary without its time.
    const auto summary = [&](const std::string& args) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 0) << args << o.err;
        return o.out.substr(0, o.out.rfind(", "));
    };
    ASSERT_EQ(Run("put -r " + tree + " site").status, 0);
    ASSERT_EQ(Run("get -r site " + home_ + "/back").status, 0);
    EXPECT_EQ(same_tree(home_ + "/back"), std::vector<std::string>{});
    EXPECT_EQ(summary("sync " + tree + " site"), "copied 0, skipped 3, removed 0, 0 bytes");

    MakeFile("tree/x.txt", 7);
    fs::remove(tree + "/a/empty.bin");
    EXPECT_EQ(summary("sync --dry-run --delete " + tree + " site"),
              "remove dfm/site/a/empty.bin\ncopy " + tree +
                  "/x.txt -> dfm/site/x.txt\nwould copy 1, skipped 1, would remove 1, 7 bytes");
    EXPECT_EQ(summary("sync --delete " + tree + " site"),
              "copied 1, skipped 1, removed 1, 7 bytes");
    EXPECT_EQ(summary("sync --pull --checksum " + home_ + "/back site"),
              "copied 1, skipped 1, removed 0, 7 bytes");
    EXPECT_EQ(same_tree(home_ + "/back"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(home_ + "/back/a/empty.bin"));  // removed only with --delete
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
    ExpectRuns({
        {put, 0, verified},
        {put + " --no-verify", 0, unverified},
        {"settings \"Verify After Write\" 0", 0, ""},
        {put, 0, unverified},
        {put + " --verify", 0, verified},
        {"settings \"Available Space\" 1", 0, ""},
        {put, 0, unverified + free_line},
        {"get p.bin " + home_ + "/back.bin --progress none", 0, free_line},
    });
    // The module's trace lines reach the log only while the switch is on.
    const std::string log = home_ + "/quorvex.log";
    const auto count = [&] {
        const std::string text = ReadAll(log);
        const std::regex line("\\[Quorvex/trace\\] NVM: set CP\n");
        return std::distance(std::sregex_iterator(text.begin(), text.end(), line),
                             std::sregex_iterator());
    };
    const auto before = count();
    EXPECT_GT(before, 0);
    ASSERT_EQ(Run("settings \"Update Diagnosis Information\" 0").status, 0);
    ASSERT_EQ(Run("ls").status, 0);
    EXPECT_EQ(count(), before);
}

}  // namespace
