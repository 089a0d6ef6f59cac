// Set-up of the transfer tests: the shared flash fixture with the simulator
// behind the scripted target (unless a test scripts every answer).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FlashFixture.h"
#include "SimFlash.h"

namespace quorvex::test {

class TransferFixture : public FlashOpsTest {
  protected:
    // Connects a scripted target offering the optional `commands` and makes the
    // object on it, on "dfm/"; with the simulator behind the target (a volume of
    // `capacity` bytes) unless the test scripts every answer.
    void Connect(const std::vector<std::string>& commands = {}, const std::string& version = "FDI6",
                 int side = 1, bool simulated = true, const char* instance = "GUI Instance",
                 std::uint64_t capacity = 1u << 20);

    CFlashExplorerData& data() { return *flash_; }
    bool fdi5() const { return fdi5_; }
    // Adds an entry to the object's listing, as a listing would have.
    void ListFile(const char* name, DWORD size);
    // Short names of the commands sent, in order.
    std::vector<std::string> Names() const;
    // Every identifier the flash handed out was closed exactly once.
    void ExpectEachIdClosedOnce() const;

    std::unique_ptr<SimFlash> sim_;

  private:
    bool fdi5_ = false;
};

}  // namespace quorvex::test
