// Shared set-up of the flash file service tests: the module test world (host
// folder, scripted target on virtual time, trace), a fresh flash data object
// on the target, a record of every exchange the object hands to its link (records, reply capacity,
// expected list, time-out, and the timers running then), and the messages the
// object posts to the calling thread's queue.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FlashTestAccess.h"
#include "ModuleTestEnvironment.h"
#include "cmdlib/InProcessTransport.h"
#include "cmdlib/Payload.h"
#include "link/Exchange.h"

using Access = CFlashExplorerDataTestAccess;
using Bytes = std::vector<std::uint8_t>;

struct SeenExchange {
    CFdiExchange::Call call;
    std::string name;
    Bytes data;  // the parameter block as DataLength announces it
    std::int32_t side = 0;
    std::string replyService, replyModule, replyName;
    WORD replyCapacity = 0;
    std::vector<std::string> expected;  // head to tail
    DWORD timeoutMs = 0;
    std::vector<quorvex::platform::TimerInfo> timers;  // of window_, while the exchange runs
};

struct Progress {
    UINT message;
    WPARAM first;
    LPARAM second;
    bool operator==(const Progress& o) const {
        return message == o.message && first == o.first && second == o.second;
    }
};
void PrintTo(const Progress& p, std::ostream* os);
Progress Begin(WPARAM total, LPARAM kind);
Progress Step(WPARAM amount);
Progress End();
// `count` step messages of `amount` each.
std::vector<Progress> Steps(std::size_t count, WPARAM amount);
std::vector<Progress> Concat(std::initializer_list<std::vector<Progress>> parts);

class FlashOpsTest : public quorvex::testing::ModuleTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Connects a fresh scripted target with these command databases and makes
    // a new object on it addressing `side`.
    CFlashExplorerData& Start(int side, const std::vector<std::string>& cp = {},
                              const std::vector<std::string>& ap = {},
                              const char* instance = "GUI Instance");
    // The object addresses `side` with FDI version `version`, prefix `prefix`.
    void UseSide(int side, const char* version = "FDI6", const char* prefix = "");

    quorvex::link::ScriptedTarget::Rule& On(const std::string& pattern) {
        return target_->On(pattern);
    }
    // Posted messages of the queue (timer ticks left out), removed from it.
    static std::vector<Progress> Drain(HWND hwnd = nullptr);
    std::vector<quorvex::link::RecordedCommand> Sent() const { return target_->Commands(); }
    std::vector<quorvex::link::RecordedCommand> SentNamed(const std::string& name) const {
        return target_->CommandsNamed(name);
    }

    // PC files under this test's own host folder.
    std::string Pc(const std::string& name) const { return home_ + "/pc/" + name; }
    std::string TempFolder() const { return home_ + "/Temp/"; }
    static void WriteFile(const std::string& path, const Bytes& content);
    static Bytes ReadFile(const std::string& path);
    static bool Exists(const std::string& path);

    std::unique_ptr<CFlashExplorerData> flash_;
    std::vector<SeenExchange> seen_;
    HWND window_ = nullptr;  // the notify window the seen timers are read from

  private:
    CFdiExchange::Inspector previous_;
};

// The format, capacity and board tests, each case on a target of its own.
class CapacityTest : public FlashOpsTest {};

// `value` in `width` little-endian bytes.
Bytes Le(std::uint64_t value, int width);
// A name-list packet: 1024-byte entry text, count, last-packet flag, spare byte.
Bytes NameListPacket(const std::string& text, std::int16_t count, std::uint8_t last);
// A path as a command carries it: its bytes and one zero.
Bytes PathBytes(const std::string& path);
// A listing entry as "name|time|date|second time|second date|size|size text|attributes".
std::string Row(const CFdiFile& e);
// Bytes 0, 7, 14 ... wrapping, offset by `seed` so two contents differ.
Bytes Pattern(std::size_t size, std::uint8_t seed = 0);
