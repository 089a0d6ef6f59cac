// Volume format: size-scaled time-out and progress, the volume field, the end
// message rule and the progress timer on null and real notify windows.
#include <string>
#include <vector>

#include "FlashFixture.h"

namespace {
const char kSizeCommand[] = "FDI__Transport__GetFdiFdvSize";
}  // namespace

TEST_F(CapacityTest, FormatTimeoutAndRangeScaleWithVolumeSize) {
    struct Case {
        bool offered;
        std::uint64_t size;
        std::uint32_t timeout;
        std::uint32_t range;
    };
    const std::uint64_t step = 655360;
    const Case cases[] = {
        {false, 0, 12000, 50000},  // size unknown: one step assumed
        {true, 0, 6000, 0},
        {true, step - 1, 6000, 0},
        {true, step, 12000, 50000},
        {true, 10 * step, 66000, 500000},
        // 400000 steps overflow the signed 32-bit time-out: the floor applies,
        // and the range keeps only its low 32 bits.
        {true, 399999 * step, 5000, 2820080816u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        CFlashExplorerData& flash = Start(
            1, {}, c.offered ? std::vector<std::string>{kSizeCommand} : std::vector<std::string>{});
        target_->On("GetFdiFdvSize").Reply("FDI__Transport__FdvSpace", Le(c.size, 8));
        target_->On("Format_Flash").Reply("FDI__Transport__Format_Success");
        EXPECT_EQ(flash.FormatFlash(), 0);

        const auto commands = target_->Commands();
        ASSERT_EQ(commands.size(), c.offered ? 2u : 1u);
        EXPECT_EQ(commands.front().name, c.offered ? "GetFdiFdvSize" : "Format_Flash");
        EXPECT_EQ(commands.back().name, "Format_Flash");
        EXPECT_EQ(commands.back().side, 1);
        EXPECT_EQ(commands.back().timeout_ms, c.timeout);
        EXPECT_EQ(Drain(), (std::vector<Progress>{Begin(c.range, 4), End()}));
    }
}

TEST_F(CapacityTest, FormatVolumeFieldIsFirstFourBytesOfTheName) {
    struct Case {
        const char* prefix;  // current path for FormatFlash(), or the volume name
        bool volumeForm;
        Bytes field;
    };
    const Case cases[] = {
        {"dfm/", false, {'d', 'f', 'm', 0}},
        {"", false, {0, 0, 0, 0}},
        {"/RTOS/x", false, {0, 0, 0, 0}},
        {"abcdef", false, {'a', 'b', 'c', 'd'}},  // no separator: the whole text
        {"C:\\dir/x", false, {'C', ':', 0, 0}},   // backslash wins over an earlier slash
        {"ab", true, {'a', 'b', 0, 0}},
        {"longname", true, {'l', 'o', 'n', 'g'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        CFlashExplorerData& flash = Start(0);
        target_->On("*").Reply("FDI__Transport__Format_Success");
        flash.m_strVolumeAndPath = c.prefix;
        EXPECT_EQ(c.volumeForm ? flash.FormatFlash(CString(c.prefix)) : flash.FormatFlash(), 0);
        const auto commands = target_->Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].name, c.volumeForm ? "Format_volume" : "Format_Flash");
        EXPECT_EQ(commands[0].data, c.field);
        EXPECT_EQ(seen_[0].replyCapacity, 1);
        std::vector<std::string> expected{"FDI__Transport__Format_Error",
                                          "FDI__Transport__Format_Success"};
        if (c.volumeForm) expected.push_back("FDI__Transport__Format_Failure_RAM");
        EXPECT_EQ(seen_[0].expected, expected);
        Drain();
    }
}

TEST_F(CapacityTest, FormatEndsProgressUnlessTheTargetRefused) {
    struct Case {
        bool volumeForm;
        const char* answer;  // nullptr: no answer
        int result;
        bool ended;
    };
    const Case cases[] = {
        {false, "Format_Success", 0, true},
        {false, "Format_Error", 15, false},
        // Not awaited by the whole-flash form, so the wait runs out.
        {false, "Format_Failure_RAM", UE_LINK_TIMEOUT, true},
        {false, nullptr, UE_LINK_TIMEOUT, true},
        {true, "Format_Success", 0, true},
        {true, "Format_Error", 15, false},
        {true, "Format_Failure_RAM", 15, false},
        {true, nullptr, UE_LINK_TIMEOUT, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.volumeForm ? "volume " : "flash ") +
                     (c.answer ? c.answer : "-"));
        CFlashExplorerData& flash = Start(0);
        if (c.answer) target_->On("*").Reply("FDI", "Transport", c.answer);
        flash.m_bContentChanged = 0;
        EXPECT_EQ(c.volumeForm ? flash.FormatFlash(CString("dfm")) : flash.FormatFlash(), c.result);
        std::vector<Progress> expected{Begin(50000, 4)};
        if (c.ended) expected.push_back(End());
        EXPECT_EQ(Drain(), expected);
        EXPECT_EQ(flash.m_bContentChanged, c.ended ? 1 : 0);
        EXPECT_TRUE(quorvex::platform::ActiveTimers(nullptr).empty());
    }
}

TEST_F(CapacityTest, FailingSizeQueryStopsTheFormatBeforeAnything) {
    CFlashExplorerData& flash = Start(0, {kSizeCommand});
    flash.m_bContentChanged = 0;
    target_->On("GetFdiFdvSize").Break();
    EXPECT_EQ(flash.FormatFlash(CString("dfm")), UE_LINK_DOWN);
    ASSERT_EQ(target_->Commands().size(), 1u);
    EXPECT_EQ(target_->Commands()[0].name, "GetFdiFdvSize");
    EXPECT_EQ(seen_.size(), 1u);
    EXPECT_TRUE(seen_[0].timers.empty());
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(flash.m_bContentChanged, 0);
}

TEST_F(CapacityTest, FormatTimerRunsOnTheNotifyWindowForTheExchangeOnly) {
    for (bool realWindow : {false, true}) {
        SCOPED_TRACE(realWindow);
        CFlashExplorerData& flash = Start(0);
        target_->On("*").Reply("FDI__Transport__Format_Success");
        window_ = realWindow ? quorvex::platform::CreateMessageWindow() : nullptr;
        flash.SetNotifyWindow(window_);
        EXPECT_EQ(flash.FormatFlash(), 0);
        ASSERT_EQ(seen_.size(), 1u);
        ASSERT_EQ(seen_[0].timers.size(), 1u);
        // A thread timer gets an id the platform picks, far from 1, so stopping
        // "1" instead of the started id would leave it running.
        if (realWindow) {
            EXPECT_EQ(seen_[0].timers[0].id, 1u);
        }
        EXPECT_EQ(seen_[0].timers[0].elapse_ms, 30u);
        EXPECT_FALSE(seen_[0].timers[0].has_proc);
        EXPECT_TRUE(quorvex::platform::ActiveTimers(window_).empty());
        EXPECT_EQ(Drain(window_), (std::vector<Progress>{Begin(50000, 4), End()}));
        if (realWindow) {
            EXPECT_TRUE(Drain().empty());  // nothing strayed to the thread queue
        }
    }
}
