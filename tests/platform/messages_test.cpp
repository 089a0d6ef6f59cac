// Message queues: window and thread timers made on read.
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/errors.h"
#include "platform/time.h"

namespace {

using quorvex::platform::ActiveTimers;
using quorvex::platform::CreateMessageWindow;
using quorvex::platform::ManualTickSource;
using quorvex::platform::QueuedMessageCount;

class MessageQueues : public ::testing::Test {
  protected:
    void SetUp() override {
        clock_.Install();
        hwnd_ = CreateMessageWindow();
    }
    void TearDown() override {
        DestroyWindow(hwnd_);
        quorvex::platform::SetTickSource(nullptr);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    ManualTickSource clock_;
    HWND hwnd_ = nullptr;
};

TEST_F(MessageQueues, WindowTimerTicksOnlyWhenReadAndAtMostOncePending) {
    EXPECT_EQ(SetTimer(hwnd_, 7, 30, nullptr), 7u);
    auto timers = ActiveTimers(hwnd_);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].id, 7u);
    EXPECT_EQ(timers[0].elapse_ms, 30u);

    MSG msg{};
    clock_.Advance(29);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));

    clock_.Advance(300);                       // ten periods unread
    EXPECT_EQ(QueuedMessageCount(hwnd_), 0u);  // nothing is made until read
    ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.hwnd, hwnd_);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));

    clock_.Advance(30);
    EXPECT_TRUE(PeekMessageA(&msg, hwnd_, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // not on the thread queue

    // Posted messages go before ticks; a filter that leaves out WM_TIMER hides them.
    clock_.Advance(30);
    PostMessageA(hwnd_, WM_USER + 100, 0, 0);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd_, WM_USER, WM_USER + 50, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 100u);
    ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(MessageQueues, KillTimerStopsTicksAndSetTimerRestartsThePeriod) {
    SetTimer(hwnd_, 2, 30, nullptr);
    clock_.Advance(20);
    SetTimer(hwnd_, 2, 30, nullptr);  // restart: next tick 30 ms from now
    clock_.Advance(20);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(ActiveTimers(hwnd_).size(), 1u);

    clock_.Advance(10);
    EXPECT_TRUE(KillTimer(hwnd_, 2));
    EXPECT_FALSE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_TRUE(ActiveTimers(hwnd_).empty());
    EXPECT_FALSE(KillTimer(hwnd_, 2));
}

TEST_F(MessageQueues, ThreadTimersGetDistinctIdsChosenByThePlatform) {
    UINT_PTR first = SetTimer(nullptr, 1, 30, nullptr);
    UINT_PTR second = SetTimer(nullptr, 1, 0, nullptr);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    auto timers = ActiveTimers(nullptr);
    ASSERT_EQ(timers.size(), 2u);
    EXPECT_EQ(timers[1].elapse_ms, static_cast<UINT>(USER_TIMER_MINIMUM));

    // Naming a live thread timer restarts it instead of adding one.
    EXPECT_EQ(SetTimer(nullptr, first, 50, nullptr), first);
    EXPECT_EQ(ActiveTimers(nullptr).size(), 2u);

    clock_.Advance(10);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, second);
    EXPECT_EQ(msg.hwnd, nullptr);

    EXPECT_TRUE(KillTimer(nullptr, second));
    EXPECT_TRUE(KillTimer(nullptr, first));
    clock_.Advance(100);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    // The window's own timer ids are not the thread's.
    EXPECT_FALSE(KillTimer(hwnd_, first));
}

TEST_F(MessageQueues, PostedMessagesKeepTheirOrderThroughFilteredTakesAndGrowth) {
    MSG msg{};
    // Messages 20, 22 and the multiples of 7 from 28 on are taken apart by a filter.
    auto apart = [](WPARAM i) { return i == 20 || i == 22 || (i >= 28 && i % 7 == 0); };
    auto post = [&](WPARAM first, WPARAM end) {
        for (WPARAM i = first; i < end; ++i) {
            ASSERT_TRUE(PostMessageA(hwnd_, apart(i) ? WM_USER + 1 : WM_USER, i, 0));
        }
    };
    std::vector<WPARAM> picked, rest, expected;
    auto pick = [&] {
        while (PeekMessageA(&msg, hwnd_, WM_USER + 1, WM_USER + 1, PM_REMOVE)) {
            picked.push_back(msg.wParam);
        }
    };
    // The oldest are taken first, so that the storage wraps: then it is
    // filled and taken from near its end, made to grow while wrapped, and
    // taken from near both ends.
    post(0, 10);
    for (WPARAM i = 0; i < 6; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, i);
    }
    post(10, 22);
    pick();
    post(22, 50);
    EXPECT_EQ(QueuedMessageCount(hwnd_), 43u);
    pick();
    EXPECT_EQ(picked, (std::vector<WPARAM>{20, 22, 28, 35, 42, 49}));
    while (PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE)) rest.push_back(msg.wParam);
    for (WPARAM i = 6; i < 50; ++i) {
        if (!apart(i)) expected.push_back(i);
    }
    EXPECT_EQ(rest, expected);
}

}  // namespace
