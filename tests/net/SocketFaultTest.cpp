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

// Receives reports of an exchange until a wait fails; returns how many
// arrived and the code that ended it.
Outcome CountParts(Transport& link, std::uint32_t id, std::uint32_t timeout_ms = 2000) {
    ReportFrame report;
    int parts = 0;
    for (;;) {
        const int result = link.Receive(id, timeout_ms, &report);
        if (result != 0) return {parts, result};
        ++parts;
    }
}

TEST_F(SocketFaults, CorruptReportIsAProtocolErrorForRunningExchangesOnce) {
    server_->SetFaults({0, 2});
    auto link = Open();
    ASSERT_TRUE(link);
    ASSERT_EQ(link->Send(1, Command("List")), 0);
    EXPECT_EQ(CountParts(*link, 1), Outcome(1, UE_LINK_PROTOCOL));
    EXPECT_FALSE(link->IsUp());
    ReportFrame report;
    EXPECT_EQ(link->Receive(1, 1000, &report), UE_LINK_DOWN);
    EXPECT_EQ(link->Send(2, Command("List")), UE_LINK_DOWN);

    // The fault fired once; the next connection is served whole.
    auto again = Open();
    ASSERT_TRUE(again);
    ASSERT_EQ(again->Send(1, Command("List")), 0);
    EXPECT_EQ(CountParts(*again, 1, 500), Outcome(3, UE_LINK_TIMEOUT));
}

TEST_F(SocketFaults, ConnectionClosedAfterEachFrameCount) {
    // The WELCOME is frame 1, so closing after n frames lets n - 1 parts through.
    for (std::uint32_t n = 2; n <= 4; ++n) {
        server_->SetFaults({n, 0});
        auto link = Open();
        ASSERT_TRUE(link);
        ASSERT_EQ(link->Send(1, Command("List")), 0);
        EXPECT_EQ(CountParts(*link, 1), Outcome(static_cast<int>(n) - 1, UE_LINK_DOWN)) << n;
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
    ASSERT_EQ(link->Send(1, Command("Breaks")), 0);
    EXPECT_EQ(CountParts(*link, 1), Outcome(1, UE_LINK_DOWN));

    link = Open();
    ASSERT_TRUE(link);
    ASSERT_EQ(link->Send(1, Command("Garbles", {}, /*wants_reply=*/false)), 0);
    ASSERT_EQ(link->Send(2, Command("List")), 0);
    // The posted command's fault still breaks the frame stream before List runs.
    EXPECT_EQ(CountParts(*link, 2), Outcome(0, UE_LINK_PROTOCOL));
}

TEST_F(SocketFaults, MalformedClientFramesCloseOnlyTheirConnection) {
    auto good = Open();
    ASSERT_TRUE(good);

    RawPeer garbage = Raw();
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    garbage.Send({request.begin(), request.end()});
    EXPECT_TRUE(garbage.ClosedByPeer());

    RawPeer impolite = Raw();
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeCommand(1, Command("List"), &frame));
    impolite.Send(frame);
    EXPECT_TRUE(impolite.ClosedByPeer());

    RawPeer corrupt = Raw();
    ASSERT_TRUE(EncodeHello(0, 1, "x", &frame));
    frame[kFrameHeaderSize] ^= 1;
    corrupt.Send(frame);
    EXPECT_TRUE(corrupt.ClosedByPeer());

    ASSERT_EQ(good->Send(5, Command("List")), 0);
    EXPECT_EQ(CountParts(*good, 5, 500), Outcome(3, UE_LINK_TIMEOUT));
    EXPECT_NE(log().find("bad frame magic"), std::string::npos) << log();
    EXPECT_NE(log().find("COMMAND before HELLO"), std::string::npos) << log();
    EXPECT_NE(log().find("frame checksum mismatch"), std::string::npos) << log();
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
    EXPECT_EQ(agent_->log(), (std::vector<std::string>{"hello raw", "List"}));
}

TEST_F(SocketFaults, ClientsBeyondTheBoundAreTurnedAway) {
    auto first = Open();
    auto second = Open();
    ASSERT_TRUE(first && second);
    std::string error;
    EXPECT_FALSE(OpenSocketTransport(server_->address(), SocketOptions(), &error));
    EXPECT_EQ(error, server_->address() + ": target busy: 2 connections in use");
    EXPECT_NE(log().find("target busy: 2 connections in use, connection refused"),
              std::string::npos)
        << log();

    // Once a client leaves its place is free again.
    first.reset();
    EXPECT_TRUE(Eventually([&] {
        return OpenSocketTransport(server_->address(), SocketOptions(), &error) != nullptr;
    })) << error;
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

    RawPeer silent[2] = {Raw(), Raw()};
    Eventually([&] { return server_->connection_count() == 2; });
    EXPECT_FALSE(OpenSocketTransport(server_->address(), SocketOptions(), &error));
    EXPECT_NE(error.find("target busy"), std::string::npos) << error;
    for (RawPeer& peer : silent) EXPECT_LE(closed_after(peer), 1000);
    EXPECT_TRUE(Open());  // a place is free again at once
    // That link is closed again; wait until the server has let it go too.
    Eventually([&] { return server_->connection_count() == 0; });

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
