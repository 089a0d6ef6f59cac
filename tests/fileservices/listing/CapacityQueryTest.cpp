// The volume size and free-space queries.
#include <string>

#include "FlashFixture.h"

TEST_F(CapacityTest, VolumeSizeIsAnUnsigned64BitFigureOrAllOnes) {
    CFlashExplorerData& flash = Start(1);
    target_->On("GetFdiFdvSize").Reply("FDI__Transport__FdvSpace", Le(0x8123456789ABCDEFull, 8));
    std::uint64_t size = 0;
    EXPECT_EQ(Access::GetFdiFdvSize(flash, size), 0);
    EXPECT_EQ(size, 0x8123456789ABCDEFull);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].call, CFdiExchange::Call::kQuery);
    EXPECT_EQ(target_->Commands().at(0).side, 1);
    EXPECT_TRUE(target_->Commands()[0].data.empty());
    EXPECT_EQ(target_->Commands()[0].timeout_ms, 5000u);
    EXPECT_EQ(seen_[0].replyCapacity, 8);

    // A report of another name does not answer the query.
    target_->On("GetFdiFdvSize").Reply("FDI__Transport__FdvAvailableSize", Le(5, 8));
    EXPECT_EQ(Access::GetFdiFdvSize(flash, size), UE_LINK_TIMEOUT);
    EXPECT_EQ(size, ~std::uint64_t{0});
}

TEST_F(CapacityTest, FreeSpaceStoresOnlyWhatASizeReportCarries) {
    struct Case {
        const char* answer;  // nullptr: no answer
        int result;
        DWORD space;
    };
    const Case cases[] = {
        {"FdvAvailableSize", 0, 0xC0FFEE12},
        {"FdvAvailableSize_RAM", 0, 0xC0FFEE12},
        {"FdvAvailableSize_Error", 0, 0xFFFFFFFF},
        {nullptr, UE_LINK_TIMEOUT, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer ? c.answer : "-");
        CFlashExplorerData& flash = Start(0);
        if (c.answer) target_->On("*").Reply("FDI", "Transport", c.answer, Le(0xC0FFEE12, 4));
        flash.m_nAvailableSpace = 7;
        EXPECT_EQ(Access::GetFdiFdvAvailableSpace(flash, "dfm"), c.result);
        EXPECT_EQ(flash.m_nAvailableSpace, c.space);
        const auto commands = target_->Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].name, "GetFdiFdvAvailableSpace");
        EXPECT_EQ(commands[0].data, (Bytes{'d', 'f', 'm', 0}));
        EXPECT_EQ(commands[0].timeout_ms, 7500u);
        EXPECT_EQ(seen_[0].replyCapacity, 4);
        EXPECT_EQ(seen_[0].expected,
                  (std::vector<std::string>{"FDI__Transport__FdvAvailableSize_Error",
                                            "FDI__Transport__FdvAvailableSize_RAM",
                                            "FDI__Transport__FdvAvailableSize"}));
    }
}

TEST_F(CapacityTest, FreeSpaceNameMustFitTheRecordLength) {
    CFlashExplorerData& flash = Start(0);
    target_->On("*").Sticky().Reply("FDI__Transport__FdvAvailableSize", Le(9, 4));
    const std::string longest(0xFFFE, 'v');
    EXPECT_EQ(Access::GetFdiFdvAvailableSpace(flash, longest.c_str()), 0);
    ASSERT_EQ(target_->Commands().size(), 1u);
    EXPECT_EQ(target_->Commands()[0].data.size(), 0xFFFFu);
    EXPECT_EQ(target_->Commands()[0].data.back(), 0);

    const std::string tooLong(0xFFFF, 'v');
    EXPECT_EQ(Access::GetFdiFdvAvailableSpace(flash, tooLong.c_str()), 20);
    EXPECT_EQ(target_->Commands().size(), 1u);
    EXPECT_EQ(flash.m_nAvailableSpace, 0xFFFFFFFFu);
}

TEST_F(CapacityTest, QueryCapacityAsksSizeThenFreeSpaceAndStopsAtAFailure) {
    CFlashExplorerData& flash = Start(1, {}, {"FDI__Transport__GetFdiFdvSize"});
    target_->On("GetFdiFdvSize").Reply("FDI__Transport__FdvSpace", Le(4096, 8));
    target_->On("GetFdiFdvAvailableSpace").Reply("FDI__Transport__FdvAvailableSize", Le(1000, 4));
    std::uint64_t size = 1;
    DWORD available = 1;
    EXPECT_EQ(flash.QueryCapacity("dfm", size, available), 0);
    EXPECT_EQ(size, 4096u);
    EXPECT_EQ(available, 1000u);
    // An unanswered size query ends the call with its code, before the free space.
    EXPECT_EQ(flash.QueryCapacity("dfm", size, available), UE_LINK_TIMEOUT);
    EXPECT_EQ(target_->Commands().size(), 3u);
}
