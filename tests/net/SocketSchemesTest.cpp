// The "tcp" and "unix" schemes reached through the process connection.
#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "cmdlib/Connection.h"
#include "cmdlib/LinkCodes.h"
#include "cmdlib/SocketServer.h"
#include "cmdlib/SocketTransport.h"

namespace quorvex::link {
namespace {

TEST(SocketSchemes, ConnectOpensSocketEndpoints) {
    RegisterSocketSchemes();
    auto agent = std::make_shared<testing::ScriptedAgent>();
    SocketServer server(agent);
    std::string error;
    ASSERT_TRUE(server.Start("tcp://127.0.0.1:0", &error)) << error;
    ASSERT_EQ(Connect(server.address(), &error), 0) << error;
    ASSERT_TRUE(CurrentTransport());
    EXPECT_EQ(CurrentTransport()->welcome().ap.commands, agent->welcome().ap.commands);
    Disconnect();

    server.Stop();
    EXPECT_EQ(Connect(server.address(), &error), UE_LINK_DOWN);
    EXPECT_EQ(Connect("unix:/nonexistent/quorvex.sock", &error), UE_LINK_DOWN);
    EXPECT_NE(error.find("unix:/nonexistent/quorvex.sock"), std::string::npos) << error;
}

}  // namespace
}  // namespace quorvex::link
