// Set-up of the transfer tests: the shared flash fixture with the simulator
// behind the scripted target (unless a test scripts every answer).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FlashFixture.h"
#include "SimFlash.h"

namespace quorvex::test {

struct TargetSetup {
    int side = 1;
    std::string version = "FDI6";
    std::vector<std::string> commands;  // optional commands of the target
    std::string instance = "GUI Instance";
    bool simulated = true;
    std::uint64_t capacity = 1u << 20;  // of the simulated volume
};

class TransferFixture : public FlashOpsTest {
  protected:
    // Connects the scripted target and creates the object on it, on "dfm/".
    void Connect(const TargetSetup& setup = TargetSetup());

    CFlashExplorerData& data() { return *flash_; }
    bool fdi5() const { return fdi5_; }
    // Progress messages taken out of the calling thread's queue.
    std::vector<Progress> TakeProgress() { return Drain(); }
    // Adds an entry to the object's listing, as a listing would have.
    void ListFile(const char* name, DWORD size);
    // Every identifier the flash handed out was closed exactly once.
    void ExpectEachIdClosedOnce() const;

    std::unique_ptr<SimFlash> sim_;

  private:
    bool fdi5_ = false;
};

}  // namespace quorvex::test
