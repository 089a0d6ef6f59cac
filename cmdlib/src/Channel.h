// One link's view of the process connection: numbers its exchanges, keeps a
// single deadline over a wait that skips reports, and decides when an
// exchange is over so the transport can drop what still comes for it. It
// follows the connection: each exchange starts on whatever connection is
// current then, so a link outlives a Connect, Disconnect or reconnect.
#pragma once

#include <cstdint>
#include <memory>

#include "cmdlib/LinkCodes.h"
#include "cmdlib/Transport.h"

namespace quorvex::link {

// Thread-compatible, like the link that owns it.
class Channel {
  public:
    Channel() = default;
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Ends any open stream exchange and sends `command` as a new exchange,
    // whose id is written to *exchange_id (0 when nothing was sent).
    int Start(const CommandView& command, std::uint32_t* exchange_id);
    // Sends `command` as an exchange that is never waited for.
    int Post(const CommandView& command);
    // Waits until `sink` takes a report of the exchange or `timeout_ms` has
    // passed in all; reports it declines are skipped.
    int Await(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportSink& sink);
    // The first wait of the exchange is over: it is forgotten, unless a stream
    // was announced for it, which stays open for Next until the next Start.
    void Finish(std::uint32_t exchange_id);
    // The next exchange started may answer with several reports.
    void PrepareStream() { stream_announced_ = true; }
    // Next report of the open stream `exchange_id`, offered to `sink`. An
    // exchange that is not open on this channel can get no report:
    // UE_LINK_TIMEOUT at once.
    int Next(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportSink& sink);

  private:
    void CloseStream();
    // Moves to the current process connection; a stream still open belongs to
    // the one it replaces and ends there.
    void FollowConnection();

    // Null while no connection was ever seen: exchanges answer UE_LINK_DOWN.
    std::shared_ptr<Transport> transport_;
    bool stream_announced_ = false;
    std::uint32_t open_stream_ = 0;
};

}  // namespace quorvex::link
