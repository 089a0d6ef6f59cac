// Running the quorvex program from a test: one command line in a private host
// folder, with its exit status and output bytes.
#pragma once

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

    std::string home_;
};

}  // namespace quorvex::testing
