// The target side of a socket link: serves a TargetAgent to hosts that
// connect over TCP or a Unix socket, with frame-level fault hooks for the
// simulator's fault injection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cmdlib/TargetAgent.h"

namespace quorvex::link {

// Faults injected into what the server sends. Counts are per connection and
// start at 1. Each armed fault fires once, on the first connection that
// reaches its count, and is then disarmed; SetFaults arms again.
struct FrameFaults {
    // Close the connection right after it has sent this many frames (its
    // WELCOME included). 0: never.
    std::uint32_t close_after_frames = 0;
    // Send the connection's n-th report with a broken checksum. 0: never.
    std::uint32_t corrupt_report = 0;
};

struct ServerOptions {
    // Connections served at once. One more is told "target busy: N
    // connections in use" in a REFUSED frame and closed, so one runaway
    // client cannot exhaust the simulator's threads.
    std::size_t max_connections = 16;
    // A connection is closed when it has not sent HELLO this long after it
    // was accepted, when a frame it began stays incomplete for
    // frame_timeout_ms, or when it sends nothing for idle_timeout_ms; so
    // silent or stalled peers hold a place for a bounded time only.
    std::uint32_t handshake_timeout_ms = 5000;
    std::uint32_t frame_timeout_ms = 5000;
    std::uint32_t idle_timeout_ms = 10 * 60 * 1000;
    // Receives one line whenever a connection is refused or closed by the
    // server (malformed frame, time-out, fault fired). Called from the
    // server's threads.
    std::function<void(const std::string&)> log;
    // Builds the agent one connection talks to around the shared agent (for
    // state that belongs to a connection, such as fault counts). Empty:
    // every connection talks to the shared agent itself.
    std::function<std::unique_ptr<TargetAgent>(std::shared_ptr<TargetAgent>)> connection_agent;
};

// Listens on one endpoint and serves each connection on a thread of its own:
// HELLO is answered with the agent's WELCOME; a COMMAND is handed to the
// agent and its reports are written with the command's exchange id, each
// after its delay_ms of real time (a posted command gets none written);
// PING is answered with PONG. A report whose fault is kBreak closes the
// connection at its due time, one whose fault is kMalformed is sent as a
// frame with a broken checksum and then the connection is closed. A
// malformed frame from a client closes that connection only. Calls into the
// agents of all connections are serialised. Thread-safe.
class SocketServer {
  public:
    explicit SocketServer(std::shared_ptr<TargetAgent> agent, ServerOptions options = {});
    // Stops the server.
    ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Listens on "tcp://HOST:PORT" (HOST may be empty for loopback; port 0
    // picks a free one) or "unix:PATH", and starts accepting. Call once.
    // False with a one-line reason in *error.
    bool Start(const std::string& endpoint, std::string* error);
    // The endpoint actually bound, e.g. "tcp://127.0.0.1:40123"; empty before Start.
    std::string address() const;

    void SetFaults(const FrameFaults& faults);
    // Connections being served now.
    std::size_t connection_count() const;

    // Asks the server to stop without waiting. Async-signal-safe, so a SIGINT
    // or SIGTERM handler may call it; the stopping itself is done by Wait.
    void RequestStop();
    // Blocks until a stop was requested, then closes the listener and every
    // connection (interrupting report delays) and joins their threads. Returns
    // at once when the server was never started or has stopped already.
    void Wait();
    // RequestStop, then Wait.
    void Stop();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quorvex::link
