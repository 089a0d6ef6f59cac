// Endpoint texts, and the socket transport against the socket server on
// loopback: handshake, routing of reports, real-time time-outs and the end of
// a connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <future>
#include <thread>
#include <tuple>

#include "Endpoint.h"
#include "NetTestSupport.h"

namespace quorvex::link {
namespace {

using testing::Command;
using testing::MillisecondsSince;
using testing::Report;
using testing::ScriptedAgent;
using Clock = std::chrono::steady_clock;

class SocketLink : public testing::ServerTest {
  protected:
    void SetUp() override {
        StartServer({});
        link_ = Open();
        ASSERT_TRUE(link_);
    }

    std::shared_ptr<Transport> link_;
    ReportFrame report_;
};

TEST_F(SocketLink, HandshakeHandsOverTheWelcomeAndReportsReachTheirOwnExchange) {
    EXPECT_EQ(server_->address().rfind("tcp://127.0.0.1:", 0), 0u);
    EXPECT_NE(server_->address(), "tcp://127.0.0.1:0");
    EXPECT_TRUE(link_->IsUp());
    const Welcome& got = link_->welcome();
    EXPECT_EQ(std::tie(got.cp.os_type, got.ap.os_type), std::make_tuple(1, 3));
    EXPECT_EQ(std::tie(got.cp.commands, got.ap.commands),
              std::tie(agent_->announced.cp.commands, agent_->announced.ap.commands));
    EXPECT_EQ(agent_->last_client_name(), "quorvex");

    agent_->Script("List", {Report("Part", {0}), Report("Part", {1}), Report("Last", {2})});
    ASSERT_EQ(link_->Send(1, Command("F_Open", {7, 0, 7})), 0);
    ASSERT_EQ(link_->Send(2, Command("List")), 0);
    for (std::uint8_t part = 0; part < 3; ++part) {
        ASSERT_EQ(link_->Receive(2, 2000, &report_), 0);
        EXPECT_EQ(report_.data, std::vector<std::uint8_t>{part});
    }
    EXPECT_EQ(report_.name, "Last");
    ASSERT_EQ(link_->Receive(1, 2000, &report_), 0);
    EXPECT_EQ(report_.FullName(), "FDI__Transport__F_Open_Ok");
    EXPECT_EQ(report_.side, 1);
    EXPECT_EQ(report_.data, (std::vector<std::uint8_t>{7, 0, 7}));
    EXPECT_EQ(link_->Receive(2, 20, &report_), 100);

    // The late report of an abandoned exchange is dropped, not taken by the next.
    agent_->Script("Slow", {Report("Slow_Done", {}, 120)});
    ASSERT_EQ(link_->Send(3, Command("Slow")), 0);
    const auto start = Clock::now();
    EXPECT_EQ(link_->Receive(3, 30, &report_), 100);
    EXPECT_GE(MillisecondsSince(start), 30);
    link_->Forget(3);
    ASSERT_EQ(link_->Send(4, Command("F_Stat")), 0);
    ASSERT_EQ(link_->Receive(4, 2000, &report_), 0);
    EXPECT_EQ(report_.name, "F_Stat_Ok");
    EXPECT_EQ(link_->Receive(4, 20, &report_), 100);
}

TEST_F(SocketLink, ASinkSkipsTheReportsItDeclinesWhetherFiledOrReadForIt) {
    struct TakeLast : ReportSink {
        bool Take(const ReportView& report) override {
            seen += std::string(report.name) + ":" + std::to_string(report.size) + " ";
            return report.name == "Last";
        }
        std::string seen;
    };
    agent_->Script("List", {Report("Part", {0}), Report("Part", {1}), Report("Last", {2, 3})});
    ASSERT_EQ(link_->Send(1, Command("List")), 0);
    ASSERT_EQ(link_->Send(2, Command("F_Stat")), 0);
    ASSERT_EQ(link_->Receive(2, 2000, &report_), 0);  // files exchange 1's three reports
    ASSERT_EQ(link_->Send(3, Command("List")), 0);
    for (std::uint32_t id : {1u, 3u}) {
        TakeLast sink;
        ASSERT_EQ(link_->ReceiveInto(id, 2000, sink), 0);
        EXPECT_EQ(sink.seen, "Part:1 Part:1 Last:2 ") << id;
        EXPECT_EQ(link_->Receive(id, 20, &report_), 100) << id;
    }
}

TEST_F(SocketLink, WaitersOnSeveralExchangesAtOnceEachGetTheirOwnReport) {
    // Whichever waiter reads the socket meets the other's report first or
    // second, and must hand it over without it being lost or taken.
    agent_->Script("Slow", {Report("Slow_Done", {1}, 20)});
    for (int round = 0; round < 10; ++round) {
        const std::uint32_t slow = 10 + 2 * round, fast = slow + 1;
        ASSERT_EQ(link_->Send(slow, Command("Slow")), 0);
        auto waiter = std::async(std::launch::async, [&] {
            ReportFrame own;
            const int result = link_->Receive(slow, 2000, &own);
            return result == 0 ? own.name : std::to_string(result);
        });
        ASSERT_EQ(link_->Send(fast, Command("F_Stat", {2})), 0);
        ASSERT_EQ(link_->Receive(fast, 2000, &report_), 0);
        EXPECT_EQ(report_.name, "F_Stat_Ok");
        EXPECT_EQ(waiter.get(), "Slow_Done");
        link_->Forget(slow);
        link_->Forget(fast);
    }
    // A report filed by a waiter that reads on for its own wakes its waiter at once.
    auto reader = std::async(std::launch::async, [&] {
        ReportFrame none;
        return link_->Receive(99, 1500, &none);  // never sent: reads until its deadline
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    ASSERT_EQ(link_->Send(100, Command("F_Stat")), 0);
    ASSERT_EQ(link_->Receive(100, 3000, &report_), 0);
    EXPECT_LT(MillisecondsSince(start), 700);
    EXPECT_EQ(reader.get(), 100);
}

TEST_F(SocketLink, StoppingTheServerWakesWaitersWithLinkDown) {
    agent_->Script("Never", {Report("Too_Late", {}, 60000)});
    ASSERT_EQ(link_->Send(1, Command("Never")), 0);
    const auto start = Clock::now();
    auto waiter = std::async(std::launch::async, [&] { return link_->Receive(1, 5000, &report_); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    server_->Stop();  // must cut the minute-long report delay short
    EXPECT_EQ(waiter.get(), 101);
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_FALSE(link_->IsUp());
    EXPECT_EQ(link_->Send(2, Command("F_Stat")), 101);
    EXPECT_EQ(server_->connection_count(), 0u);
}

TEST(SocketServer, ServesOnAUnixSocketAndReplacesAStaleOne) {
    char dir[] = "/tmp/quorvex-net-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/target.sock";
    // A socket file left behind by a server that died.
    std::string error;
    ASSERT_TRUE(ListenOn(testing::MustParse("unix:" + path), &error).valid()) << error;
    auto agent = std::make_shared<ScriptedAgent>();
    {
        SocketServer server(agent);
        ASSERT_TRUE(server.Start("unix:" + path, &error)) << error;
        EXPECT_EQ(server.address(), "unix:" + path);

        auto link = OpenSocketTransport("unix:" + path, SocketOptions(), &error);
        ASSERT_TRUE(link) << error;
        ASSERT_EQ(link->Send(3, Command("F_Open", {1})), 0);
        ReportFrame report;
        ASSERT_EQ(link->Receive(3, 2000, &report), 0);
        EXPECT_EQ(report.name, "F_Open_Ok");
    }
    EXPECT_NE(access(path.c_str(), F_OK), 0);  // the server removes its socket file
    rmdir(dir);
}

TEST(SocketTransport, UnreachableOrSilentTargetsFailToOpen) {
    std::string error;
    UniqueFd probe = ListenOn(testing::MustParse("tcp://127.0.0.1:0"), &error);
    ASSERT_TRUE(probe.valid()) << error;
    const std::string closed_port = FormatEndpoint(BoundEndpoint(probe.get(), {}));
    probe.Reset();  // nothing listens there any more
    EXPECT_FALSE(OpenSocketTransport(closed_port, SocketOptions(), &error));
    EXPECT_EQ(error.rfind(closed_port, 0), 0u) << error;

    // A listener that accepts but never says WELCOME.
    UniqueFd silent = ListenOn(testing::MustParse("tcp://127.0.0.1:0"), &error);
    ASSERT_TRUE(silent.valid()) << error;
    SocketOptions options;
    options.handshake_timeout_ms = 50;
    const auto start = Clock::now();
    EXPECT_FALSE(
        OpenSocketTransport(FormatEndpoint(BoundEndpoint(silent.get(), {})), options, &error));
    EXPECT_NE(error.find("no WELCOME within 50 ms"), std::string::npos) << error;
    EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(Endpoint, ParsesWhatItCanAndNamesTheEndpointWhenItCannot) {
    // Text, then the form it is written back in; empty when it is refused.
    const std::pair<std::string, std::string> cases[] = {
        {"tcp://127.0.0.1:5555", "tcp://127.0.0.1:5555"},
        {"tcp://:7000", "tcp://127.0.0.1:7000"},
        {"tcp://[::1]:65535", "tcp://[::1]:65535"},
        {"unix:/run/quorvex.sock", "unix:/run/quorvex.sock"},
        {"tcp://host:65536", ""},
        {"tcp://host:80x", ""},
        {"tcp://::1:80", ""},
        {"unix:", ""},
        {"sim:", ""},
        {"unix:" + std::string(108, 'p'), ""},  // no room for the NUL in sun_path
    };
    for (const auto& [text, formatted] : cases) {
        Endpoint endpoint;
        std::string error;
        EXPECT_EQ(ParseEndpoint(text, &endpoint, &error), !formatted.empty()) << text;
        if (formatted.empty()) {
            EXPECT_EQ(error.rfind(text, 0), 0u) << error;
        } else {
            EXPECT_EQ(FormatEndpoint(endpoint), formatted);
        }
    }
}

}  // namespace
}  // namespace quorvex::link
