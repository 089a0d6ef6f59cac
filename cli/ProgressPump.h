// Shows the progress messages the "GUI Instance" posts: a window pumped on its
// own thread, drawn as a bar or printed as JSON lines on stderr.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/wintypes.h"

namespace quorvex::cli {

enum class ProgressMode { kNone, kBar, kJson };

class ProgressPump {
  public:
    explicit ProgressPump(ProgressMode mode);
    ~ProgressPump();
    ProgressPump(const ProgressPump&) = delete;
    ProgressPump& operator=(const ProgressPump&) = delete;

    HWND window() const { return window_; }
    // Prints everything posted so far, then stops the pump thread.
    void Finish();

  private:
    void Run(HWND window);
    void Show(UINT message, WPARAM w, LPARAM l);

    ProgressMode mode_;
    HWND window_ = nullptr;
    std::thread thread_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::chrono::steady_clock::time_point started_;
    bool finished_ = false;
};

}  // namespace quorvex::cli
