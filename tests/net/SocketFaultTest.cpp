// Faults on the link: injected by the server, malformed frames from either
// side, and more clients than the server takes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "NetTestSupport.h"
#include "cmdlib/LinkCodes.h"

namespace quorvex::link {
namespace {

using testing::Command;
using testing::RawFrame;
using testing::RawPeer;
using testing::Report;
using testing::ScriptedAgent;
using Outcome = std::pair<int, int>;  // reports received, code that ended the wait

std::vector<ReportFrame> ThreeParts() {
    return {Report("Part", {0}), Report("Part", {1}), Report("Part", {2})};
}

class SocketFaults : public testing::ServerTest {
  protected:
    void SetUp() override {
        agent_->Script("List", ThreeParts());
        StartServer({});
    }
};

// Sends `command` as exchange `id` and receives its reports until a wait
// fails; returns how many arrived and the code that ended it.
Outcome Exchange(Transport& link, std::uint32_t id, const CommandFrame& command,
                 std::uint32_t timeout_ms = 2000) {
    int result = link.Send(id, command);
    ReportFrame report;
    int parts = 0;
    while (result == 0 && (result = link.Receive(id, timeout_ms, &report)) == 0) ++parts;
    return {parts, result};
}

TEST_F(SocketFaults, CorruptReportIsAProtocolErrorForRunningExchangesOnce) {
    server_->SetFaults({0, 2});
    auto link = Open();
    ASSERT_TRUE(link);
    EXPECT_EQ(Exchange(*link, 1, Command("List")), Outcome(1, UE_LINK_PROTOCOL));
    EXPECT_FALSE(link->IsUp());
    ReportFrame report;
    EXPECT_EQ(link->Receive(1, 1000, &report), UE_LINK_DOWN);
    EXPECT_EQ(link->Send(2, Command("List")), UE_LINK_DOWN);

    // The fault fired once; the next connection is served whole.
    auto again = Open();
    ASSERT_TRUE(again);
    EXPECT_EQ(Exchange(*again, 1, Command("List"), 500), Outcome(3, UE_LINK_TIMEOUT));
}

TEST_F(SocketFaults, ConnectionClosedAfterEachFrameCount) {
    // The WELCOME is frame 1, so closing after n frames lets n - 1 parts through.
    for (std::uint32_t n = 2; n <= 4; ++n) {
        server_->SetFaults({n, 0});
        auto link = Open();
        ASSERT_TRUE(link);
        EXPECT_EQ(Exchange(*link, 1, Command("List")),
                  Outcome(static_cast<int>(n) - 1, UE_LINK_DOWN))
            << n;
        EXPECT_FALSE(link->IsUp());
    }
    EXPECT_NE(log().find("fault injected after 4 frames"), std::string::npos) << log();
}

TEST_F(SocketFaults, ReportFaultsFromTheAgentEndTheConnection) {
    auto fault_after_one_part = [](ReportFrame::Fault fault) {
        std::vector<ReportFrame> reports = ThreeParts();
        reports[1].fault = fault;
        reports[1].delay_ms = 20;
        return reports;
    };
    agent_->Script("Breaks", fault_after_one_part(ReportFrame::Fault::kBreak));
    agent_->Script("Garbles", fault_after_one_part(ReportFrame::Fault::kMalformed));

    auto link = Open();
    ASSERT_TRUE(link);
    EXPECT_EQ(Exchange(*link, 1, Command("Breaks")), Outcome(1, UE_LINK_DOWN));

    link = Open();
    ASSERT_TRUE(link);
    ASSERT_EQ(link->Send(1, Command("Garbles", {}, /*wants_reply=*/false)), 0);
    // The posted command's fault still breaks the frame stream before List runs.
    EXPECT_EQ(Exchange(*link, 2, Command("List")), Outcome(0, UE_LINK_PROTOCOL));
}

TEST_F(SocketFaults, MalformedClientFramesCloseOnlyTheirConnection) {
    auto good = Open();
    ASSERT_TRUE(good);

    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    std::vector<std::uint8_t> command, hello;
    ASSERT_TRUE(EncodeCommand(1, Command("List"), &command));
    ASSERT_TRUE(EncodeHello(0, 1, "x", &hello));
    hello[kFrameHeaderSize] ^= 1;
    const std::pair<std::vector<std::uint8_t>, const char*> peers[] = {
        {{request.begin(), request.end()}, "bad frame magic"},
        {command, "COMMAND before HELLO"},
        {hello, "frame checksum mismatch"}};
    for (const auto& [bytes, why] : peers) {
        RawPeer peer = Raw();
        peer.Send(bytes);
        EXPECT_TRUE(peer.ClosedByPeer()) << why;
    }
    EXPECT_EQ(Exchange(*good, 5, Command("List"), 500), Outcome(3, UE_LINK_TIMEOUT));
    for (const auto& [bytes, why] : peers) EXPECT_NE(log().find(why), std::string::npos) << log();
}

TEST_F(SocketFaults, PostedCommandsAreHandledButNeverAnswered) {
    RawPeer peer = Raw();
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeHello(77, 1, "raw", &frame));
    peer.Send(frame);
    RawFrame answer;
    ASSERT_TRUE(peer.Read(&answer));
    EXPECT_EQ(answer.type, 0x81);
    EXPECT_EQ(answer.exchange_id, 77u);

    ASSERT_TRUE(EncodeCommand(3, Command("List", {}, /*wants_reply=*/false), &frame));
    peer.Send(frame);
    EncodeEmptyFrame(FrameType::kPing, 9, &frame);
    peer.Send(frame);
    ASSERT_TRUE(peer.Read(&answer));
    EXPECT_EQ(answer.type, 0x83);  // PONG comes first: no report was written for the post
    EXPECT_EQ(answer.exchange_id, 9u);
    EXPECT_EQ(agent_->last_client_name(), "raw");
    ASSERT_EQ(agent_->Commands().size(), 1u);
    EXPECT_EQ(agent_->Commands()[0].name, "List");
}

TEST_F(SocketFaults, SilentStalledAndIdlePeersLoseTheirPlace) {
    ServerOptions options;
    options.handshake_timeout_ms = 300;
    options.frame_timeout_ms = 300;
    options.idle_timeout_ms = 1500;
    StartServer(options);
    std::string error;
    std::vector<std::uint8_t> hello, command;
    ASSERT_TRUE(EncodeHello(1, 1, "raw", &hello));
    ASSERT_TRUE(EncodeCommand(2, Command("List"), &command));
    const auto closed_after = [](RawPeer& peer) {
        const auto start = std::chrono::steady_clock::now();
        return peer.ClosedByPeer() ? testing::MillisecondsSince(start) : -1;
    };

    // Clients beyond the bound are turned away while the silent peers hold it.
    RawPeer silent[2] = {Raw(), Raw()};
    Eventually([&] { return server_->connection_count() == 2; });
    EXPECT_FALSE(OpenSocketTransport(server_->address(), SocketOptions(), &error));
    EXPECT_EQ(error, server_->address() + ": target busy: 2 connections in use");
    EXPECT_NE(log().find("target busy: 2 connections in use, connection refused"),
              std::string::npos)
        << log();
    for (RawPeer& peer : silent) EXPECT_LE(closed_after(peer), 1000);
    EXPECT_TRUE(Open());  // a place is free again at once
    // That client leaves again, and the server lets it go too.
    EXPECT_TRUE(Eventually([&] { return server_->connection_count() == 0; }));

    // Greeted peers: one stalls inside a frame, one sends nothing more.
    RawPeer stalled = Raw(), idle = Raw();
    RawFrame welcome;
    for (RawPeer* peer : {&stalled, &idle}) {
        peer->Send(hello);
        ASSERT_TRUE(peer->Read(&welcome));
    }
    stalled.Send(std::vector<std::uint8_t>(command.begin(), command.begin() + 20));
    EXPECT_LT(closed_after(stalled), 1000);
    EXPECT_GE(closed_after(idle), 300);
    for (const char* why :
         {"no HELLO within 300 ms", "frame left incomplete for 300 ms", "idle for 1500 ms"}) {
        EXPECT_NE(log().find(why), std::string::npos) << why << "\n" << log();
    }
}

// A hand-played target, for what the real server never sends.
TEST(SocketTransport, RoutesByExchangeAndRefusesAMalformedReport) {
    std::string error;
    UniqueFd listener = ListenOn(testing::MustParse("tcp://:0"), &error);
    ASSERT_TRUE(listener.valid()) << error;
    const std::string endpoint = FormatEndpoint(BoundEndpoint(listener.get(), {}));

    bool got_pong = false;
    std::thread target([&] {
        RawPeer peer(UniqueFd(accept(listener.get(), nullptr, nullptr)));
        RawFrame in;
        std::vector<std::uint8_t> out;
        ASSERT_TRUE(peer.Read(&in));
        EncodeWelcome(in.exchange_id, Welcome(), &out);
        peer.Send(out);
        EncodeEmptyFrame(FrameType::kPing, 4, &out);
        peer.Send(out);
        // The PONG and COMMAND 1 may come in either order.
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(peer.Read(&in));
            got_pong = got_pong || (in.type == 0x83 && in.exchange_id == 4);
        }
        for (std::uint32_t id : {0u, 7u, 1u}) {
            EncodeReport(id, Report("From_" + std::to_string(id)), &out);
            peer.Send(out);
        }
        ASSERT_TRUE(peer.Read(&in));  // COMMAND 2
        // A sound envelope around a payload that is not a report.
        EncodeEmptyFrame(FrameType::kReport, 2, &out);
        peer.Send(out);
        peer.ClosedByPeer();
    });

    auto link = OpenSocketTransport(endpoint, SocketOptions(), &error);
    ASSERT_TRUE(link) << error;
    ASSERT_EQ(link->Send(1, Command("F_Open")), 0);
    ReportFrame report;
    ASSERT_EQ(link->Receive(1, 2000, &report), 0);
    EXPECT_EQ(report.name, "From_1");  // id 0 and the unknown id 7 were dropped
    ASSERT_EQ(link->Send(2, Command("F_Read")), 0);
    // Both exchanges were running when the bad frame came, waiting or not.
    EXPECT_EQ(link->Receive(2, 2000, &report), UE_LINK_PROTOCOL);
    EXPECT_EQ(link->Receive(1, 2000, &report), UE_LINK_PROTOCOL);
    EXPECT_EQ(link->Receive(1, 2000, &report), UE_LINK_DOWN);
    link.reset();
    target.join();
    EXPECT_TRUE(got_pong);
}

}  // namespace
}  // namespace quorvex::link
