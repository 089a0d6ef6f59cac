// Running the quorvex program from a test: one command line in a private host
// folder, with its exit status and output bytes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Programs.h"

namespace quorvex::testing {

// What `put FILE --verify --progress json` prints for a 2048-byte file on the
// communication core: the write in packets of 1024 data bytes (1032 with their
// header), then the read-back.
inline const char kVerifiedPut2048Progress[] =
    "{\"progress\":\"start\",\"total\":2048,\"kind\":2}\n"
    "{\"progress\":\"step\",\"amount\":1032}\n"
    "{\"progress\":\"step\",\"amount\":1032}\n"
    "{\"progress\":\"end\"}\n"
    "{\"progress\":\"start\",\"total\":2048,\"kind\":5}\n"
    "{\"progress\":\"step\",\"amount\":1024}\n"
    "{\"progress\":\"step\",\"amount\":1024}\n"
    "{\"progress\":\"end\"}\n";

// `info --json` of the default simulated target, one line for each core.
inline const char kDefaultCpInfoJson[] =
    "{\"side\":0,\"fdi_version\":\"FDI6\",\"root_path\":\"dfm/\",\"extended_mode\":false}\n";
inline const char kDefaultApInfoJson[] =
    "{\"side\":1,\"fdi_version\":\"FDI71\",\"root_path\":\"/data/Linux/Vendrix/NVM/\","
    "\"extended_mode\":true}\n";

// Runs `quorvex ARGS` (ARGS as a shell would split them) with $QUORVEX_HOME
// at `home` and no terminal.
inline Outcome RunCli(const std::string& home, const std::string& args) {
    return RunToEnd({"/bin/sh", "-c", "QUORVEX_HOME='" + home + "' " QUORVEX_CLI " " + args}, home);
}

// Runs `quorvex ARGS` with a terminal as its standard input, on which the
// user types `typed` (a trailing "\x04" ends the input).
inline Outcome RunOnTerminal(const std::string& home, std::vector<std::string> args,
                             const std::string& typed) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {-1, "", "no pty"};
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
        return {-1, "", "short write"};
    }
    args.insert(args.begin(), {"/usr/bin/env", "QUORVEX_HOME=" + home, QUORVEX_CLI});
    const Outcome o = RunToEnd(args, home, terminal);
    close(terminal);
    close(master);
    return o;
}

// A private host folder for each test, removed when the test ends.
class CliHomeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvex-cli-XXXXXX";
        home_ = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    // Writes `size` bytes, different for each name, to home/name; returns the path.
    std::string MakeFile(const std::string& name, std::size_t size) {
        const auto seed = static_cast<unsigned>(std::hash<std::string>()(name));
        std::ofstream(home_ + "/" + name, std::ios::binary) << Pattern(size, seed);
        return home_ + "/" + name;
    }
    virtual Outcome Run(const std::string& args) { return RunCli(home_, args); }

    // A command with its exit status, stderr and stdout (a failing one: its
    // one line on stderr and, under --json, its error object on stdout).
    struct Expected {
        std::string args;
        int status;
        std::string err;
        std::string out = "";
    };
    void ExpectRuns(const std::vector<Expected>& runs) {
        for (const Expected& r : runs) {
            SCOPED_TRACE(r.args);
            const Outcome o = Run(r.args);
            EXPECT_EQ(o.status, r.status);
            EXPECT_EQ(o.out, r.out);
            EXPECT_EQ(o.err, r.err);
        }
    }

    std::string home_;
};

}  // namespace quorvex::testing
