// Running the quorvex program from a test: one command line in a private host
// folder, with its exit status and output bytes.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `quorvex ARGS` (ARGS as a shell would split them) with $QUORVEX_HOME
// at `home` and no terminal.
inline Outcome RunCli(const std::string& home, const std::string& args) {
    const std::string out = home + "/stdout", err = home + "/stderr";
    const std::string command = "QUORVEX_HOME='" + home + "' " QUORVEX_CLI " " + args +
                                " </dev/null >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

// Runs `quorvex ARGS` with a terminal as its standard input, on which the
// user types `typed` (a trailing "\x04" ends the input).
inline Outcome RunOnTerminal(const std::string& home, const std::vector<std::string>& args,
                             const std::string& typed) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {-1, "", "no pty"};
    const std::string terminal = ptsname(master);
    const std::string out = home + "/stdout", err = home + "/stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int in = open(terminal.c_str(), O_RDWR);
        dup2(in, 0);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        setenv("QUORVEX_HOME", home.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(QUORVEX_CLI)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(QUORVEX_CLI, argv.data());
        _exit(127);
    }
    if (write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
        return {-1, "", "short write"};
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    close(master);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

// Writes `size` bytes, different for each name, to home/name; returns the path.
inline std::string MakeFile(const std::string& home, const std::string& name, std::size_t size) {
    std::string bytes(size, '\0');
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>()(name)));
    for (auto& b : bytes) b = static_cast<char>(random());
    std::ofstream(home + "/" + name, std::ios::binary) << bytes;
    return home + "/" + name;
}

// A private host folder for each test, removed when the test ends.
class CliHomeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvex-cli-XXXXXX";
        home_ = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    std::string MakeFile(const std::string& name, std::size_t size) {
        return quorvex::testing::MakeFile(home_, name, size);
    }
    virtual Outcome Run(const std::string& args) { return RunCli(home_, args); }

    // A failing command: its status, its one line on stderr and (under
    // --json) its error object on stdout.
    struct Refusal {
        std::string args;
        int status;
        std::string err;
        std::string out = "";
    };
    void ExpectRefusals(const std::vector<Refusal>& refusals) {
        for (const Refusal& r : refusals) {
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
