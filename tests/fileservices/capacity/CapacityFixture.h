// Fixture for the format, capacity and board tests: a scripted target on
// virtual time, a flash data object on it, and what each exchange looked like
// when the object handed it to its link (including the timers running then).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cmdlib/ScriptedTarget.h"
#include "link/Exchange.h"
#include "platform/messages.h"
#include "tests/support/FlashTestAccess.h"

using Bytes = std::vector<std::uint8_t>;

struct SeenCall {
    CFdiExchange::Call call;
    std::string name;
    WORD replyCapacity = 0;
    std::vector<std::string> expected;                 // head to tail
    std::vector<quorvex::platform::TimerInfo> timers;  // of the notify window, during the call
};

struct Progress {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Progress& o) const {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

class CapacityTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Connects a fresh scripted target with these command databases and makes
    // a new object on it addressing `side`.
    CFlashExplorerData& Start(int side, const std::vector<std::string>& cp = {},
                              const std::vector<std::string>& ap = {},
                              const char* instance = "GUI Instance");
    // Posted messages of the queue (timer ticks left out), removed from it.
    static std::vector<Progress> Drain(HWND hwnd = nullptr);

    std::shared_ptr<quorvex::link::ScriptedTarget> target_;
    std::unique_ptr<CFlashExplorerData> flash_;
    std::vector<SeenCall> seen_;
    HWND window_ = nullptr;  // the notify window the seen timers are read from

  private:
    std::string home_;
    CFdiExchange::Inspector previous_;
};

Bytes Le(std::uint64_t value, int width);
