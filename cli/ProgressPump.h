// Shows the progress messages the "GUI Instance" posts: a window pumped on its
// own thread, drawn as a bar or printed as JSON lines on stderr, or read and
// dropped, so that they never pile up while a transfer runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/messages.h"

namespace quorvex::cli {

enum class ProgressMode { kNone, kBar, kJson };

// The pump wakes at most about ten times a second while messages flow: each
// time it takes everything queued, then draws the bar once or writes the JSON
// lines gathered since the last time, in the order they were posted. So a
// transfer that posts a message per packet pays for the posting only.
class ProgressPump {
  public:
    explicit ProgressPump(ProgressMode mode);
    ~ProgressPump();
    ProgressPump(const ProgressPump&) = delete;
    ProgressPump& operator=(const ProgressPump&) = delete;

    HWND window() const { return window_; }
    // Shows everything posted so far, then stops the pump thread.
    void Finish();

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPeriod{100};

    void Run(HWND window);
    // Takes one message into the state; true when the pump should stop.
    bool Take(const MSG& msg);
    void DrawBar();
    void Flush();

    ProgressMode mode_;
    HWND window_ = nullptr;
    std::thread thread_;

    // Pump thread only.
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    Clock::time_point started_;
    bool drawn_ = false;      // the current bar is on the screen as it stands
    std::string json_lines_;  // written out once per period

    std::mutex stop_mutex_;
    std::condition_variable stop_changed_;
    bool stopping_ = false;
    bool finished_ = false;
};

}  // namespace quorvex::cli
