// The host's view of the link under the module: a transport wrapper that
// remembers how exchanges ended and which commands went out, and that can
// shut the link so that nothing more reaches the target. The host learns
// from it what the module's results do not say (why its start-up failed,
// whether a failed write got as far as opening the flash file).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "cmdlib/Transport.h"

namespace quorvex::cli {

class LinkWatch : public link::TransportWrapper {
  public:
    using TransportWrapper::TransportWrapper;

    // The links send and wait through these (Send and Receive come here too).
    int SendFrom(std::uint32_t id, const link::CommandView& command) override;
    int ReceiveInto(std::uint32_t id, std::uint32_t timeout_ms, link::ReportSink& sink) override;

    // Every later command fails with UE_LINK_DOWN without leaving the host.
    void Shut();
    // Forgets what was seen so far; the marks below count from here.
    void Mark();
    // The code of the first wait that failed since the mark, or 0.
    int FirstFailure() const;
    // True when a command of that name (third part, e.g. "Fwrite") went out
    // since the mark.
    bool Sent(const std::string& name) const;
    // "link: commands N, reports N, data bytes out N, in N" since connecting.
    std::string Summary() const;

  private:
    mutable std::mutex mutex_;
    bool shut_ = false;
    int first_failure_ = 0;
    std::set<std::string, std::less<>> sent_;
    std::uint64_t commands_ = 0, reports_ = 0, bytes_out_ = 0, bytes_in_ = 0;
};

// Opens ENDPOINT (sim:, sim:DIR, tcp://HOST:PORT, unix:PATH) behind a
// LinkWatch and makes it the process connection. Returns the watch, or
// nullptr with one line in *error.
std::shared_ptr<LinkWatch> ConnectWatched(const std::string& endpoint, std::string* error);

}  // namespace quorvex::cli
