// The process connection: endpoints and schemes, the welcome's answers, and
// what links see when there is no connection or it fails.
#include <string>

#include "link_fixture.h"

namespace {

using quorvex::link::CurrentTransport;

class LinkConnection : public LinkTest {
  protected:
    int Exchange(CCommandLink& link) {
        return Run(link, Command("Fclose"), {"FDI__Transport__F_Close_Success"});
    }
};

TEST_F(LinkConnection, WithoutConnectionEveryCallAnswersLinkDown) {
    // A closed connection sends nothing.
    CCommandLink link;
    transport_->Close();
    EXPECT_EQ(IsLinkAvailable(), FALSE);
    EXPECT_EQ(Exchange(link), UE_LINK_DOWN);
    EXPECT_TRUE(target_->Commands().empty());

    quorvex::link::Disconnect();
    EXPECT_EQ(IsLinkAvailable(), FALSE);
    CZENTOMessage command = Command("Fclose");
    CZENTOMessage reply;
    ExchangeMark mark;
    mark.id = 99;
    EXPECT_EQ(Exchange(link), UE_LINK_DOWN);
    EXPECT_EQ(link.ExecuteQuery(command, reply, &mark, 5000), UE_LINK_DOWN);
    EXPECT_EQ(mark.id, 0u);
    EXPECT_EQ(link.PostCommand(command), UE_LINK_DOWN);
    EXPECT_EQ(link.WaitNextReport(reply, &mark, 5000, 1), UE_LINK_DOWN);
    EXPECT_EQ(link.GetTargetOsType(1), 0);
    std::int32_t out1 = 5, out2 = 6;
    EXPECT_FALSE(FindCommandAp("FDI__Transport__Fseek", &out1, &out2, false));
    EXPECT_EQ(std::make_pair(out1, out2), std::make_pair(0, 0));

    // The same link works once there is a connection, and follows a reconnect.
    for (int round = 0; round < 2; ++round) {
        auto next = std::make_shared<quorvex::link::ScriptedTarget>();
        next->SetOsType(1, 3);
        next->On("Fclose").Reply("FDI__Transport__F_Close_Success");
        transport_ = quorvex::link::ConnectScripted(next);
        EXPECT_EQ(Exchange(link), UE_LINK_OK);
        EXPECT_EQ(link.GetTargetOsType(1), 3);
    }
}

TEST_F(LinkConnection, BreakAndMalformedFrameEndTheWaitAndCloseTheConnection) {
    target_->On("Fclose").Break(1000);
    CCommandLink link;
    EXPECT_EQ(IsLinkAvailable(), TRUE);
    EXPECT_EQ(Exchange(link), UE_LINK_DOWN);
    EXPECT_EQ(now(), 1000u);
    EXPECT_EQ(IsLinkAvailable(), FALSE);

    transport_ = quorvex::link::ConnectScripted(target_);
    target_->On("Fclose").Malformed(200);
    CCommandLink second;
    EXPECT_EQ(Exchange(second), UE_LINK_PROTOCOL);
    EXPECT_EQ(IsLinkAvailable(), FALSE);
    EXPECT_EQ(Exchange(second), UE_LINK_DOWN);

    // A break the host no longer waits for still closes the connection.
    transport_ = quorvex::link::ConnectScripted(target_);
    target_->On("Fclose").Break(8000);
    CCommandLink third;
    EXPECT_EQ(Exchange(third), UE_LINK_TIMEOUT);
    EXPECT_EQ(Exchange(third), UE_LINK_DOWN);
    EXPECT_EQ(now(), 8000u);
}

TEST_F(LinkConnection, OsTypeAndCommandDatabasesComeFromTheWelcome) {
    target_->SetOsType(0, 1);
    target_->SetOsType(1, 3);
    target_->AddCommands(0, {"FDI__Transport__Fseek"});
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode", "Diag__Utils__InMsgBodyLimit"});
    transport_ = quorvex::link::ConnectScripted(target_);
    CCommandLink link;
    EXPECT_EQ(link.GetTargetOsType(0), 1);
    EXPECT_EQ(link.GetTargetOsType(1), 3);
    EXPECT_EQ(link.GetTargetOsType(2), 0);

    std::int32_t out1 = 5, out2 = 6;
    EXPECT_TRUE(FindCommandCp("FDI__Transport__Fseek", &out1, &out2, false));
    EXPECT_EQ(std::make_pair(out1, out2), std::make_pair(0, 0));
    EXPECT_FALSE(FindCommandAp("FDI__Transport__Fseek", nullptr, nullptr, false));
    EXPECT_TRUE(FindCommandAp("Diag__Utils__InMsgBodyLimit", nullptr, nullptr, false));
    EXPECT_FALSE(FindCommandAp("FDI__TRANSPORT__ExtendedMode", nullptr, nullptr, false));
    EXPECT_FALSE(FindCommandCp("FDI__Transport__Fsee", nullptr, nullptr, false));
}

TEST_F(LinkConnection, ConnectHandsTheTextAfterTheSchemeToItsFactory) {
    std::string seen_rest;
    quorvex::link::RegisterScheme(
        "fake",
        [&](const std::string& rest,
            std::string* error) -> std::shared_ptr<quorvex::link::Transport> {
            seen_rest = rest;
            if (rest == "//refuse") {
                *error = "endpoint \"fake://refuse\": refused";
                return nullptr;
            }
            return std::make_shared<quorvex::link::InProcessTransport>(target_);
        });
    std::string error;
    ASSERT_EQ(quorvex::link::Connect("fake://host:5000", &error), UE_LINK_OK);
    EXPECT_EQ(seen_rest, "//host:5000");
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(transport_->IsUp()) << "the replaced connection is closed";
    const auto connected = CurrentTransport();

    EXPECT_EQ(quorvex::link::Connect("fake://refuse", &error), UE_LINK_DOWN);
    EXPECT_EQ(error, "endpoint \"fake://refuse\": refused");
    EXPECT_EQ(quorvex::link::Connect("nosuch:x", &error), UE_LINK_DOWN);
    EXPECT_NE(error.find("nosuch"), std::string::npos);
    EXPECT_EQ(quorvex::link::Connect("no-scheme-at-all", nullptr), UE_LINK_DOWN);
    EXPECT_EQ(CurrentTransport(), connected) << "a failed attempt keeps the open connection";
    EXPECT_TRUE(connected->IsUp());
}

TEST_F(LinkConnection, TestEndpointConnectsTheOfferedTarget) {
    auto offered = std::make_shared<quorvex::link::ScriptedTarget>();
    offered->On("Fclose").Reply("FDI__Transport__F_Close_Success");
    quorvex::link::OfferScriptedTarget(offered);
    std::string error;
    ASSERT_EQ(quorvex::link::Connect("test:", &error), UE_LINK_OK) << error;
    EXPECT_EQ(CurrentTransport(), quorvex::link::OfferedTransport());
    CCommandLink link;
    EXPECT_EQ(Exchange(link), UE_LINK_OK);
    EXPECT_EQ(offered->Commands().size(), 1u);
    EXPECT_TRUE(target_->Commands().empty());
}

}  // namespace
