// Helpers shared by the socket tests: a scripted target agent, a server for it
// and a raw frame-level peer for playing either end of a connection by hand.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Socket.h"
#include "cmdlib/Protocol.h"
#include "cmdlib/ScriptedTarget.h"
#include "cmdlib/SocketServer.h"
#include "cmdlib/SocketTransport.h"
#include "cmdlib/TargetAgent.h"

namespace quorvex::link::testing {

inline ReportFrame Report(const std::string& name, std::vector<std::uint8_t> data = {},
                          std::uint32_t delay_ms = 0) {
    return {0, "FDI", "Transport", name, std::move(data), delay_ms};
}

inline CommandFrame Command(const std::string& name, std::vector<std::uint8_t> data = {},
                            bool wants_reply = true) {
    return {1, wants_reply, "FDI", "Transport", name, std::move(data)};
}

// The command library's scripted target, announcing two cores and answering
// F_Open, F_Stat and F_Read with one report "<name>_Ok" that echoes the
// command's side and data.
class ScriptedAgent : public ScriptedTarget {
  public:
    ScriptedAgent() {
        announced.cp = {1, {"FDI__Transport__F_Open", "FDI__Transport__F_Close"}};
        announced.ap = {3, {"FDI__Transport__F_Read"}};
        SetWelcome(announced);
        for (const char* name : {"F_Open", "F_Stat", "F_Read"}) {
            On(name).Sticky().Respond([](const CommandFrame& c, std::vector<ReportFrame>& out) {
                out.push_back({c.side, "FDI", "Transport", c.name + "_Ok", c.data});
            });
        }
    }
    // Answers every command called `name` with `reports`.
    void Script(const std::string& name, std::vector<ReportFrame> reports) {
        On(name).Sticky().Respond([reports](const CommandFrame&, std::vector<ReportFrame>& out) {
            out.insert(out.end(), reports.begin(), reports.end());
        });
    }

    Welcome announced;
};

struct RawFrame {
    std::uint8_t type = 0;
    std::uint32_t exchange_id = 0;
};

// One end of a connection driven frame by frame.
class RawPeer {
  public:
    explicit RawPeer(UniqueFd fd) : fd_(std::move(fd)) {}

    void Send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(SendAll(fd_.get(), bytes.data(), bytes.size()));
    }
    // The next frame; false when the peer closed, broke the framing or was silent.
    bool Read(RawFrame* frame) {
        FrameView view;
        FrameDecoder::Status status;
        while ((status = decoder_.Next(&view)) == FrameDecoder::Status::kNeedMore) {
            std::uint8_t chunk[4096];
            if (!WaitReadable(fd_.get(), 2000)) return false;
            const long got = sys::Receive(fd_.get(), chunk, sizeof(chunk));
            if (got <= 0) return false;
            decoder_.Feed(chunk, static_cast<std::size_t>(got));
        }
        *frame = {view.type, view.exchange_id};
        return status == FrameDecoder::Status::kFrame;
    }
    // True when the other end closes the connection within two seconds.
    bool ClosedByPeer() {
        std::uint8_t byte;
        return WaitReadable(fd_.get(), 2000) && sys::Receive(fd_.get(), &byte, 1) <= 0;
    }

  private:
    UniqueFd fd_;
    FrameDecoder decoder_;
};

inline Endpoint MustParse(const std::string& text) {
    Endpoint endpoint;
    std::string error;
    EXPECT_TRUE(ParseEndpoint(text, &endpoint, &error)) << error;
    return endpoint;
}

inline std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A socket server for two clients with a scripted agent behind it.
class ServerTest : public ::testing::Test {
  protected:
    // A server for two clients on `options`, logging into log().
    void StartServer(ServerOptions options) {
        options.max_connections = 2;
        options.log = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(log_mutex_);
            log_ += line + "\n";
        };
        server_ = std::make_unique<SocketServer>(agent_, options);
        std::string error;
        ASSERT_TRUE(server_->Start("tcp://:0", &error)) << error;
    }

    std::shared_ptr<Transport> Open() {
        std::string error;
        auto transport = OpenSocketTransport(server_->address(), SocketOptions(), &error);
        EXPECT_TRUE(transport) << error;
        return transport;
    }

    RawPeer Raw() {
        std::string error;
        UniqueFd fd = ConnectTo(MustParse(server_->address()), 1000, &error);
        EXPECT_TRUE(fd.valid()) << error;
        return RawPeer(std::move(fd));
    }

    std::string log() {
        std::lock_guard<std::mutex> lock(log_mutex_);
        return log_;
    }
    // Polls `done` every 5 ms for up to a second; false if it never held.
    template <typename Done>
    static bool Eventually(Done done) {
        for (int i = 0; i < 200; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // The log outlives the server, whose threads may still write to it while it stops.
    std::mutex log_mutex_;
    std::string log_;
    std::shared_ptr<ScriptedAgent> agent_ = std::make_shared<ScriptedAgent>();
    std::unique_ptr<SocketServer> server_;
};

}  // namespace quorvex::link::testing
