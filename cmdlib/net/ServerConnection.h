// One connection of the socket server: reads frames, asks the shared agent,
// writes the answers, and applies the armed frame faults.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Socket.h"
#include "cmdlib/Protocol.h"
#include "cmdlib/SocketServer.h"

namespace quorvex::link {

// What all connections of one server share.
class ServerShared {
  public:
    ServerShared(std::shared_ptr<TargetAgent> agent, const ServerOptions& options)
        : agent_(std::move(agent)), options_(options) {}

    const ServerOptions& options() const { return options_; }
    // The agent a new connection talks to (see ServerOptions::connection_agent).
    std::shared_ptr<TargetAgent> ConnectionAgent();
    // Calls into `agent`, serialised with every other connection's calls.
    // Handle first gives the reports in *reports back to the agent.
    Welcome Hello(TargetAgent& agent, const std::string& client_name);
    void Handle(TargetAgent& agent, const CommandView& command, std::vector<ReportFrame>* reports);

    void SetFaults(const FrameFaults& faults);
    // True (and disarmed) when the fault is armed for exactly this count.
    bool TakeCloseFault(std::uint32_t frames_sent);
    bool TakeCorruptFault(std::uint32_t reports_sent);

    // Sleeps `ms` of real time unless the server is stopping. False when it is.
    bool SleepUnlessStopping(std::uint32_t ms);
    void BeginStopping();
    bool stopping() const { return stopping_.load(); }

    void Log(const std::string& line) const;

  private:
    std::shared_ptr<TargetAgent> agent_;
    const ServerOptions options_;
    std::mutex agent_mutex_;
    std::mutex faults_mutex_;
    FrameFaults faults_;
    std::atomic<bool> stopping_{false};
    std::mutex stop_mutex_;
    std::condition_variable stop_changed_;
};

class ServerConnection {
  public:
    ServerConnection(UniqueFd fd, std::string peer, ServerShared* shared)
        : fd_(std::move(fd)),
          peer_(std::move(peer)),
          shared_(shared),
          agent_(shared->ConnectionAgent()) {}

    // Runs until the peer leaves, a frame is malformed, a time-out or a fault
    // closes the connection, or Interrupt is called. Then marks itself done.
    void Serve();
    // Wakes Serve out of any read or write; the descriptor stays open until
    // the connection is destroyed.
    void Interrupt();
    bool done() const { return done_.load(); }

  private:
    bool HandleFrame(const FrameView& frame);
    bool Answer(const FrameView& frame);
    bool SendFrame();
    // Applies the close fault after each frame sent; false when it fired.
    bool CountFrameSent();
    void Drop(const std::string& why);
    // SO_RCVTIMEO of the socket, set only when it changes.
    void SetReceiveTimeout(long long ms);

    UniqueFd fd_;
    const std::string peer_;
    ServerShared* const shared_;
    const std::shared_ptr<TargetAgent> agent_;
    bool greeted_ = false;
    std::uint32_t frames_sent_ = 0;
    std::uint32_t reports_sent_ = 0;
    std::vector<std::uint8_t> out_;
    std::vector<ReportFrame> reports_;
    long long receive_timeout_ms_ = 0;
    std::atomic<bool> done_{false};
};

}  // namespace quorvex::link
