// Fixture for the listing, management, format, capacity and board tests: a
// scripted target on virtual time, a fresh flash data object, and a record of
// every exchange the object hands to its link (records, reply capacity,
// expected list, time-out, and the timers running then).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cmdlib/InProcessTransport.h"
#include "cmdlib/Payload.h"
#include "cmdlib/ScriptedTarget.h"
#include "hostlib/trace.h"
#include "link/Exchange.h"
#include "platform/messages.h"
#include "tests/support/FlashTestAccess.h"

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
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Progress& o) const {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

class FlashOpsTest : public ::testing::Test {
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
    std::uint64_t NowMs() const { return transport_->clock().now_ms(); }
    std::vector<std::string> Traces() const { return traces_->Writes(); }

    std::shared_ptr<quorvex::link::ScriptedTarget> target_;
    std::shared_ptr<quorvex::link::InProcessTransport> transport_;
    std::unique_ptr<CFlashExplorerData> flash_;
    std::vector<SeenExchange> seen_;
    std::shared_ptr<quorvex::host::MemoryTraceSink> traces_;
    HWND window_ = nullptr;  // the notify window the seen timers are read from

  private:
    std::shared_ptr<quorvex::host::TraceSink> previousSink_;
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
