// What an exchange puts on the link and what it writes back into the caller's
// records: fields, expected-list matching, buffer capacity and bad arguments.
#include <vector>

#include "link_fixture.h"

namespace {

using quorvex::link::RecordedCommand;

class CommandLinkExchange : public LinkTest {};

const std::initializer_list<const char*> kCloseReports = {"FDI__Transport__F_Close_Success",
                                                          "FDI__Transport__F_Close_Error"};

TEST_F(CommandLinkExchange, SendsTheRecordAndFillsOnlyNameAndBufferOfTheReply) {
    target_->On("Fclose").Reply("FDI__Transport__F_Close_Success", {0xAB, 0xCD});
    CCommandLink link;
    BYTE parameters[4] = {7, 0, 0, 0x80};
    CZENTOMessage command = Command("Fclose", parameters, 4);
    command.Side = 1;
    reply_ = CZENTOMessage("pre", "filled", "F_Close_Error");
    reply_.Side = 1;
    ExchangeMark mark;

    ASSERT_EQ(Run(link, command, kCloseReports, 5000, &mark, 4), UE_LINK_OK);

    const std::vector<RecordedCommand> sent = target_->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].side, 1);
    EXPECT_EQ(sent[0].FullName(), "FDI__Transport__Fclose");
    EXPECT_EQ(sent[0].data, (std::vector<std::uint8_t>{7, 0, 0, 0x80}));
    EXPECT_FALSE(sent[0].posted);
    EXPECT_EQ(sent[0].timeout_ms, 5000u);
    EXPECT_NE(mark.id, 0u);
    EXPECT_EQ(mark.id, sent[0].exchange_id);

    EXPECT_EQ(reply_.Name, "F_Close_Success");
    EXPECT_EQ(reply_.Service, "pre");
    EXPECT_EQ(reply_.Module, "filled");
    EXPECT_EQ(reply_.Data, buffer_);
    EXPECT_EQ(reply_.DataLength, 4);
    EXPECT_EQ(reply_.Reserved6, -1);
    EXPECT_EQ(reply_.Reserved9, -1);
    EXPECT_EQ(reply_.Reserved10, -1);
    EXPECT_EQ(std::vector<BYTE>(buffer_, buffer_ + 5),
              (std::vector<BYTE>{0xAB, 0xCD, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(command.Data, parameters);
    EXPECT_EQ(command.DataLength, 4);

    // Ids are unique in the process, not per link.
    CCommandLink other;
    ExchangeMark other_mark;
    Run(other, command, kCloseReports, 10, &other_mark);
    EXPECT_NE(other_mark.id, 0u);
    EXPECT_NE(other_mark.id, mark.id);
}

TEST_F(CommandLinkExchange, TakesTheFirstReportWhoseExactFullNameIsExpected) {
    target_->On("Fclose")
        .Reply("FDI__TRANSPORT__F_Close_Success", {1})
        .Reply("FDI__Transport__f_close_success", {2})
        .Reply("FDI__Transport__F_Close_Success_RAM", {3})
        .Reply("FDI__Transport__F_Close_Errox", {4})
        .Reply("FDI__Transport__F_Close_Error", {5})
        .Reply("FDI__Transport__F_Close_Success", {6});
    CCommandLink link;
    ASSERT_EQ(Run(link, Command("Fclose"), kCloseReports, 5000, nullptr, 1), UE_LINK_OK);
    EXPECT_EQ(reply_.Name, "F_Close_Error");
    EXPECT_EQ(std::vector<BYTE>(buffer_, buffer_ + 2), (std::vector<BYTE>{5, 0xEE}));
    // The exchange is over: its last report must not wait for anyone.
    EXPECT_EQ(transport_->QueuedReports(), 0u);
}

TEST_F(CommandLinkExchange, ReplyCopyIsBoundedAndAnEmptyPayloadNullsData) {
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", {1, 2, 3, 4, 5, 6, 7, 8});
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet");
    CCommandLink link;
    ExchangeMark mark;
    const auto read = [&] {
        return Run(link, Command("Fread"), {"FDI__Transport__F_Read_Packet"}, 5000, &mark, 3);
    };
    ASSERT_EQ(read(), UE_LINK_OK);
    EXPECT_EQ(std::vector<BYTE>(buffer_, buffer_ + 4), (std::vector<BYTE>{1, 2, 3, 0xEE}));
    EXPECT_EQ(mark.received, 3u);

    ASSERT_EQ(read(), UE_LINK_OK);
    EXPECT_EQ(reply_.Name, "F_Read_Packet");
    EXPECT_EQ(reply_.Data, nullptr);
    EXPECT_EQ(mark.received, 0u);
}

TEST_F(CommandLinkExchange, SurvivesRecordsWhoseLengthHasNoBuffer) {
    target_->On("Fwrite").Reply("FDI__Transport__F_Write_Success", {9, 9, 9});
    CCommandLink link;
    CZENTOMessage command = Command("Fwrite", nullptr, 5);
    CZENTOMessage reply;
    reply.DataLength = 50;
    CStringList expected(10);
    expected.AddHead("FDI__Transport__F_Write_Success");

    ASSERT_EQ(link.ExecuteCommand(command, reply, expected, nullptr, 5000), UE_LINK_OK);
    EXPECT_EQ(reply.Name, "F_Write_Success");
    EXPECT_EQ(reply.Data, nullptr);
    EXPECT_TRUE(target_->Commands().at(0).data.empty());
}

TEST_F(CommandLinkExchange, QueryAwaitsTheReportNamedByTheReplyRecord) {
    target_->On("InMsgBodyLimit")
        .Reply("Diag", "Utils", "MaxOutMsgBodySize", {1, 0, 0, 0})
        .Reply("Diag", "UTILS", "MaxInMsgBodySize", {2, 0, 0, 0})
        .Reply("Diag", "Utils", "MaxInMsgBodySize", {0x00, 0x04, 0, 0});
    CCommandLink link;
    CZENTOMessage command("Diag", "Utils", "InMsgBodyLimit");
    std::uint32_t value = 0;
    CZENTOMessage reply("Diag", "Utils", "MaxInMsgBodySize");
    reply.Data = reinterpret_cast<BYTE*>(&value);
    reply.DataLength = 4;
    ExchangeMark mark;

    ASSERT_EQ(link.ExecuteQuery(command, reply, &mark, 5000), UE_LINK_OK);
    EXPECT_EQ(value, 1024u);
    EXPECT_EQ(reply.Name, "MaxInMsgBodySize");
    EXPECT_NE(mark.id, 0u);
}

}  // namespace
