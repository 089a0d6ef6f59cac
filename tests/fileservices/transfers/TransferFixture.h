// Shared set-up of the transfer tests: a private host folder, a scripted
// target on virtual time (with the simulator behind it unless a test scripts
// every answer), a flash data object on it, and access to the progress
// messages the object posts to the calling thread's queue.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SimFlash.h"
#include "cmdlib/ScriptedTarget.h"
#include "platform/wintypes.h"
#include "support/FlashTestAccess.h"

namespace quorvex::test {

using Bytes = std::vector<std::uint8_t>;
using Access = CFlashExplorerDataTestAccess;

struct Progress {
    UINT message;
    WPARAM first;
    LPARAM second;
    bool operator==(const Progress& o) const {
        return message == o.message && first == o.first && second == o.second;
    }
};
void PrintTo(const Progress& p, std::ostream* os);
Progress Start(WPARAM total, LPARAM kind);
Progress Step(WPARAM amount);
Progress End();
// `count` step messages of `amount` each.
std::vector<Progress> Steps(std::size_t count, WPARAM amount);
std::vector<Progress> Concat(std::initializer_list<std::vector<Progress>> parts);

// Bytes 0, 1, 2 ... wrapping, offset by `seed` so two contents differ.
Bytes Pattern(std::size_t size, std::uint8_t seed = 0);

struct TargetSetup {
    int side = 1;
    std::string version = "FDI6";
    std::vector<std::string> commands;  // optional commands of the target
    std::string instance = "GUI Instance";
    bool simulated = true;
    std::uint64_t capacity = 1u << 20;  // of the simulated volume
};

class TransferFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Connects the scripted target and creates the object on it.
    void Connect(const TargetSetup& setup = TargetSetup());

    CFlashExplorerData& data() { return *object_; }
    bool fdi5() const { return fdi5_; }
    // Progress messages taken out of the calling thread's queue, timer ticks left out.
    std::vector<Progress> TakeProgress();
    // Commands the target received, without the version probing of set-up.
    std::vector<link::RecordedCommand> Sent() const;
    std::vector<link::RecordedCommand> SentNamed(const std::string& name) const;

    // PC files under this test's own folder.
    std::string Pc(const std::string& name) const { return home_ + "/pc/" + name; }
    std::string TempFolder() const { return home_ + "/Temp/"; }
    const std::string& home() const { return home_; }
    static void WriteFile(const std::string& path, const Bytes& content);
    static Bytes ReadFile(const std::string& path);
    static bool Exists(const std::string& path);
    // Adds an entry to the object's listing, as a listing would have.
    void ListFile(const char* name, DWORD size);
    // Every identifier the flash handed out was closed exactly once.
    void ExpectEachIdClosedOnce() const;

    std::shared_ptr<link::ScriptedTarget> target_;
    std::unique_ptr<SimFlash> flash_;

  private:
    std::string home_;
    bool fdi5_ = false;
    std::unique_ptr<CFlashExplorerData> object_;
};

}  // namespace quorvex::test
