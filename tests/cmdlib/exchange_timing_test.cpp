// Waiting on virtual time: time-outs, delayed reports, report streams and
// posted commands.
#include <chrono>
#include <vector>

#include "link_fixture.h"

namespace {

class ExchangeTiming : public LinkTest {
  protected:
    int Read(CCommandLink& link, DWORD timeout_ms, ExchangeMark* mark = nullptr) {
        return Run(link, Command("Fread"), {"FDI__Transport__F_Read_Packet"}, timeout_ms, mark);
    }
};

// A wait ends at its report or at exactly its time-out of virtual time, and
// never sleeps for real.
TEST_F(ExchangeTiming, DelayedReportCountsOnlyWithinTheTimeOut) {
    struct Case {
        std::int64_t delay_ms;  // -1: the target never answers
        DWORD timeout_ms;
        int result;
        std::uint64_t elapsed_ms;
    };
    const auto started = std::chrono::steady_clock::now();
    for (const Case& c :
         {Case{-1, 5000, UE_LINK_TIMEOUT, 5000}, Case{-1, 7500, UE_LINK_TIMEOUT, 7500},
          Case{0, 5000, UE_LINK_OK, 0}, Case{4999, 5000, UE_LINK_OK, 4999},
          Case{5000, 5000, UE_LINK_OK, 5000}, Case{5001, 5000, UE_LINK_TIMEOUT, 5000}}) {
        SCOPED_TRACE(testing::Message()
                     << c.delay_ms << " ms late, " << c.timeout_ms << " ms wait");
        if (c.delay_ms >= 0) {
            target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", {1},
                                       static_cast<std::uint32_t>(c.delay_ms));
        }
        CCommandLink link;
        const std::uint64_t before = now();
        EXPECT_EQ(Read(link, c.timeout_ms), c.result);
        EXPECT_EQ(now() - before, c.elapsed_ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST_F(ExchangeTiming, TimeOutSpansTheWholeWaitNotEachSkippedReport) {
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Error", {}, 3000)
        .Reply("FDI__Transport__F_Read_Packet", {1}, 3000);
    CCommandLink link;
    const std::uint64_t before = now();
    EXPECT_EQ(Read(link, 5000), UE_LINK_TIMEOUT);
    EXPECT_EQ(now() - before, 5000u);
    // The packet, due at 6000 ms, never answers the next exchange.
    EXPECT_EQ(Read(link, 5000), UE_LINK_TIMEOUT);
}

TEST_F(ExchangeTiming, StreamStaysOpenForFurtherReportsUntilTheNextExchange) {
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Packet", {1})
        .Reply("FDI__Transport__F_NameList_Packet_RAM", {2}, 300)
        .Reply("FDI__Transport__F_Read_Packet", {3}, 100)
        .Reply("FDI__Transport__F_Read_Packet", {4}, 100);
    CCommandLink link;
    ExchangeMark mark;
    link.PrepareReportStream(-1, -1);
    ASSERT_EQ(Read(link, 5000, &mark), UE_LINK_OK);
    EXPECT_EQ(buffer_[0], 1);

    link.ReleaseReport(mark);
    ASSERT_EQ(link.WaitNextReport(reply_, &mark, 5000, 1), UE_LINK_OK);
    EXPECT_EQ(reply_.Name, "F_NameList_Packet_RAM");
    EXPECT_EQ(buffer_[0], 2);
    EXPECT_EQ(now(), 300u);
    ASSERT_EQ(link.WaitNextReport(reply_, &mark, 5000, 1), UE_LINK_OK);
    EXPECT_EQ(buffer_[0], 3);
    EXPECT_EQ(link.WaitNextReport(reply_, &mark, 50, 1), UE_LINK_TIMEOUT);
    EXPECT_EQ(now(), 450u);

    // The fourth part is still on its way when the next exchange starts.
    ExchangeMark old_mark = mark;
    EXPECT_EQ(Read(link, 5000, &mark), UE_LINK_TIMEOUT);
    EXPECT_NE(link.WaitNextReport(reply_, &old_mark, 5000, 1), UE_LINK_OK);
}

TEST_F(ExchangeTiming, AnotherLinksStreamIsNeverTaken) {
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Packet", {1})
        .Reply("FDI__Transport__F_Read_Packet", {2}, 100);
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", {3}, 200);
    CCommandLink streaming;
    CCommandLink other;
    ExchangeMark stream_mark;
    streaming.PrepareReportStream(-1, -1);
    ASSERT_EQ(Read(streaming, 5000, &stream_mark), UE_LINK_OK);

    ExchangeMark other_mark;
    ASSERT_EQ(Read(other, 5000, &other_mark), UE_LINK_OK);
    EXPECT_EQ(buffer_[0], 3);
    EXPECT_NE(other.WaitNextReport(reply_, &stream_mark, 5000, 1), UE_LINK_OK);
    ASSERT_EQ(streaming.WaitNextReport(reply_, &stream_mark, 5000, 1), UE_LINK_OK);
    EXPECT_EQ(buffer_[0], 2);
}

TEST_F(ExchangeTiming, PostedAndUnstreamedReportsGoNowhere) {
    target_->On("ExtendedMode").Reply("FDI__Transport__F_Read_Packet", {7});
    CCommandLink link;
    CZENTOMessage command = Command("ExtendedMode");
    command.Side = 1;
    EXPECT_EQ(link.PostCommand(command), UE_LINK_OK);
    EXPECT_EQ(now(), 0u);
    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].posted);
    EXPECT_EQ(sent[0].side, 1);
    EXPECT_FALSE(sent[0].timeout_ms.has_value());
    EXPECT_EQ(Read(link, 5000), UE_LINK_TIMEOUT);

    // Without an announced stream, reports after the first are dropped too.
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Packet", {1})
        .Reply("FDI__Transport__F_Read_Packet", {2});
    ExchangeMark mark;
    ASSERT_EQ(Read(link, 5000, &mark), UE_LINK_OK);
    EXPECT_EQ(link.WaitNextReport(reply_, &mark, 5000, 1), UE_LINK_TIMEOUT);
    EXPECT_EQ(link.WaitNextReport(reply_, nullptr, 5000, 1), UE_LINK_TIMEOUT);
}

}  // namespace
