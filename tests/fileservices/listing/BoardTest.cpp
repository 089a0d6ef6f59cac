// Board control: the clock command's bytes and the choice of reset command.
#include <string>
#include <vector>

#include "FlashFixture.h"

TEST_F(CapacityTest, SetRtcSendsClockBytesAndIgnoresWhichReportAnswered) {
    SYSTEMTIME time{2009, 12, 4, 31, 23, 59, 58, 999};
    for (const char* answer : {"SetRTC_Success", "SetRTC_Failure", "RTC_Already_Set", ""}) {
        SCOPED_TRACE(answer);
        CFlashExplorerData& flash = Start(1);
        if (*answer) target_->On("SetRTC").Reply("Diag", "Utils", answer);
        EXPECT_EQ(flash.SetRTC(&time), *answer ? 0 : UE_LINK_TIMEOUT);
        const auto commands = target_->Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].FullName(), "Diag__Utils__SetRTC");
        EXPECT_EQ(commands[0].data, (Bytes{58, 59, 23, 31, 12, 0, 0xD9, 0x07}));
        EXPECT_EQ(commands[0].side, 1);
        EXPECT_EQ(commands[0].timeout_ms, 5000u);
        EXPECT_EQ(seen_[0].replyCapacity, 1);
        EXPECT_EQ(seen_[0].expected, (std::vector<std::string>{"Diag__Utils__RTC_Already_Set",
                                                               "Diag__Utils__SetRTC_Failure",
                                                               "Diag__Utils__SetRTC_Success"}));
    }
}

TEST_F(CapacityTest, ResetBoardPostsTheFirstResetTheSidesDatabaseOffers) {
    const std::string restart = "SW_PLAT__CONTROL__restartCmd";
    const std::string watchdog = "Layer1__Calibration__ResetBoardUsingWD";
    struct Case {
        int side;
        std::vector<std::string> cp, ap;
        std::string posted;  // empty: nothing, ResetBoard false
    };
    const Case cases[] = {
        {0, {watchdog, restart}, {}, restart},
        {0, {watchdog}, {restart}, watchdog},
        {1, {restart}, {watchdog}, watchdog},
        {0, {}, {restart, watchdog}, ""},
        // Side not set yet: the application side's database decides.
        {-1, {restart}, {watchdog}, watchdog},
        {-1, {restart, watchdog}, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        CFlashExplorerData& flash = Start(c.side, c.cp, c.ap);
        EXPECT_EQ(flash.ResetBoard(), !c.posted.empty());
        const auto commands = target_->Commands();
        ASSERT_EQ(commands.size(), c.posted.empty() ? 0u : 1u);
        if (commands.empty()) continue;
        EXPECT_EQ(commands[0].FullName(), c.posted);
        EXPECT_TRUE(commands[0].posted);
        EXPECT_TRUE(commands[0].data.empty());
        EXPECT_EQ(commands[0].side, c.side);
    }
}
