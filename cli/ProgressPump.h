// Shows the progress messages the "GUI Instance" posts: a window pumped on its
// own thread, drawn as a line on stderr or printed as JSON lines, or read and
// dropped, so that they never pile up while a transfer runs. The host's own
// notes (ProgressNotes.h) arrive on the same window and say what the module's
// per-packet figures cannot: the operation, the file, and the true byte count.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ProgressNotes.h"
#include "platform/messages.h"

namespace quorvex::cli {

enum class ProgressMode { kNone, kBar, kJson };

// The pump wakes at most about ten times a second while messages flow: each
// time it takes everything queued, then draws the line once or writes the
// JSON lines gathered since the last time, in the order they were posted. So
// a transfer that posts a message per packet pays for the posting only.
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

    // The operation the line stands for: a plan of several files, or one
    // file or module operation on its own.
    struct Line {
        bool planned = false;   // announced by a plan; ends with its end note
        bool complete = false;  // the host said the whole operation succeeded
        std::string operation;
        bool by_files = false;
        bool sized = true;
        std::uint64_t total = 0;  // bytes on the link
        std::size_t files = 0;
        std::size_t index = 0;     // of the current item, from 1
        std::uint64_t before = 0;  // bytes of the items already done
        Clock::time_point started;
        std::unique_ptr<ProgressNote> item;  // null before the first
        int kind = 0;                        // of the module's last start
        std::uint64_t steps = 0;             // since that start
        std::uint64_t step_amount = 0;
        bool phase_over = false;  // its end came
        bool wrote = false;       // the item's write is behind it
        bool item_done = false;   // the host said the item succeeded
    };

    void Run(HWND window);
    // Takes one message into the state; true when the pump should stop.
    bool Take(const MSG& msg);
    void TakeJson(const MSG& msg);
    void TakeNote(std::unique_ptr<ProgressNote> note);
    void TakeStart(std::uint64_t total, int kind);
    void Open(std::string operation, bool sized, std::uint64_t total);
    // Draws the line as it stands last and leaves it on its own row.
    void Close();
    // Bytes of the current item that have moved.
    std::uint64_t ItemBytes() const;
    std::uint64_t ReadBytes(const std::string& path, std::uint64_t limit) const;
    void Draw();
    void Flush();

    ProgressMode mode_;
    bool gauge_;  // the [###] part; not under NO_COLOR
    HWND window_ = nullptr;
    std::thread thread_;

    // Pump thread only.
    std::unique_ptr<Line> line_;  // null while nothing is shown
    bool drawn_ = true;           // the line is on the screen as it stands
    std::size_t shown_width_ = 0;
    std::string json_lines_;  // written out once per period

    std::mutex stop_mutex_;
    std::condition_variable stop_changed_;
    bool stopping_ = false;
    bool finished_ = false;
};

}  // namespace quorvex::cli
