// The exchange helper: what the records carry to the link and back.
#include <gtest/gtest.h>

#include "FlashTestAccess.h"
#include "ModuleTestEnvironment.h"
#include "link/Exchange.h"

namespace {

class ExchangeTest : public quorvex::testing::ModuleTest {};

TEST_F(ExchangeTest, RecordsCarryFixedFieldsSideAndParameters) {
    target_->On("Fclose").Reply("FDI__Transport__F_Close_Success");
    CCommandLink link;
    BYTE parameters[4] = {7, 0, 0, 0};
    BYTE reply[1] = {0xAA};
    CFdiExchange exchange("FDI", "Transport", "Fclose");
    exchange.SetParameters(parameters, sizeof(parameters));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__F_Close_Error");
    exchange.Expect("FDI__Transport__F_Close_Success");

    ASSERT_EQ(exchange.Execute(&link, 1, 5000), 0);

    CZENTOMessage& command = exchange.Command();
    EXPECT_EQ(command.Service, CString("FDI"));
    EXPECT_EQ(command.Module, CString("Transport"));
    EXPECT_EQ(command.Name, CString("Fclose"));
    EXPECT_EQ(command.Data, parameters);
    EXPECT_EQ(command.DataLength, 4);
    EXPECT_EQ(exchange.Reply().Name, CString("F_Close_Success"));
    EXPECT_EQ(exchange.Reply().DataLength, 1);
    for (const CZENTOMessage* record : {&command, &exchange.Reply()}) {
        EXPECT_EQ(record->Reserved6, -1);
        EXPECT_EQ(record->Reserved7, 0);
        EXPECT_EQ(record->Side, 1);
        EXPECT_EQ(record->Reserved9, -1);
        EXPECT_EQ(record->Reserved10, -1);
    }

    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].side, 1);
    EXPECT_EQ(sent[0].data, (std::vector<std::uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(sent[0].timeout_ms, 5000u);
    EXPECT_FALSE(sent[0].posted);
}

TEST_F(ExchangeTest, CommandWithoutParametersSendsNullAndZeroAndAPostDoesNotWait) {
    CCommandLink link;
    CFdiExchange exchange("FDI", "Transport", "GetFdiVersion");
    exchange.SetParameters(nullptr, 12);
    EXPECT_EQ(exchange.Command().Data, nullptr);
    EXPECT_EQ(exchange.Command().DataLength, 0);
    EXPECT_EQ(exchange.Execute(&link, 0, 5000), UE_LINK_TIMEOUT);
    CFdiExchange("FDI", "Transport", "ExtendedMode").Post(&link, 1);
    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].data.empty());
    EXPECT_FALSE(sent[0].posted);
    EXPECT_TRUE(sent[1].posted);
    EXPECT_FALSE(sent[1].timeout_ms.has_value());
}

}  // namespace
