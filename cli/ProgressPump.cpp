// The progress window's pump and its ways of drawing.
#include "ProgressPump.h"

#include <cstdio>
#include <future>

#include "platform/messages.h"
#include "platform/sync.h"
#include "quorvex/FlashExplorerData.h"

namespace quorvex::cli {

// The window is made, pumped and destroyed on the pump thread: on Windows a
// window's messages reach only the thread that created it.
ProgressPump::ProgressPump(ProgressMode mode) : mode_(mode) {
    std::promise<HWND> made;
    std::future<HWND> window = made.get_future();
    thread_ = std::thread([this, &made] {
        const HWND own = quorvex::platform::CreateMessageWindow();
        made.set_value(own);
        if (own == nullptr) return;
        Run(own);
        DestroyWindow(own);
    });
    window_ = window.get();
}

ProgressPump::~ProgressPump() {
    Finish();
}

void ProgressPump::Finish() {
    if (finished_) return;
    finished_ = true;
    // WM_QUIT queues behind everything already posted, so nothing is lost;
    // the pump is woken from its pause to read it at once.
    PostMessageA(window_, WM_QUIT, 0, 0);
    {
        std::lock_guard<std::mutex> lock(stop_mutex_);
        stopping_ = true;
    }
    stop_changed_.notify_all();
    thread_.join();
    if (mode_ == ProgressMode::kBar && total_ > 0) std::fputc('\n', stderr);
}

void ProgressPump::Run(HWND window) {
    for (;;) {
        quorvex::platform::WaitForQueue(window, INFINITE);
        MSG msg;
        bool quit = false;
        while (!quit && PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) quit = Take(msg);
        if (mode_ == ProgressMode::kBar && !drawn_) DrawBar();
        Flush();
        if (quit) return;
        // Lets the next period's messages gather; Finish cuts the pause short.
        std::unique_lock<std::mutex> lock(stop_mutex_);
        stop_changed_.wait_for(lock, kPeriod, [this] { return stopping_; });
    }
}

bool ProgressPump::Take(const MSG& msg) {
    const UINT message = msg.message;
    if (message == WM_QUIT) return true;
    if (mode_ == ProgressMode::kJson) {
        char line[96];
        int size = 0;
        if (message == WM_FLASH_PROGRESS_START) {
            size = std::snprintf(
                line, sizeof(line), "{\"progress\":\"start\",\"total\":%llu,\"kind\":%lld}\n",
                static_cast<unsigned long long>(msg.wParam), static_cast<long long>(msg.lParam));
        } else if (message == WM_FLASH_PROGRESS_STEP) {
            size = std::snprintf(line, sizeof(line), "{\"progress\":\"step\",\"amount\":%llu}\n",
                                 static_cast<unsigned long long>(msg.wParam));
        } else if (message == WM_FLASH_PROGRESS_END) {
            size = std::snprintf(line, sizeof(line), "{\"progress\":\"end\"}\n");
        }
        if (size > 0) json_lines_.append(line, static_cast<std::size_t>(size));
        return false;
    }
    if (mode_ != ProgressMode::kBar) return false;
    if (message == WM_FLASH_PROGRESS_START) {
        // The finished bar stays on its own line, as it last stood.
        if (total_ > 0) {
            if (!drawn_) DrawBar();
            std::fputc('\n', stderr);
        }
        total_ = msg.wParam;
        done_ = 0;
        started_ = Clock::now();
        drawn_ = false;
    } else if (message == WM_FLASH_PROGRESS_STEP) {
        done_ += msg.wParam;
        drawn_ = false;
    } else if (message == WM_FLASH_PROGRESS_END) {
        drawn_ = false;
    }
    return false;
}

void ProgressPump::DrawBar() {
    drawn_ = true;
    if (total_ == 0) return;
    const std::uint64_t shown = done_ > total_ ? total_ : done_;
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    const double rate = seconds > 0 ? shown / seconds : 0;
    const double left = rate > 0 ? (total_ - shown) / rate : 0;
    const int width = 30;
    const int filled = static_cast<int>(width * shown / total_);
    std::fprintf(stderr, "\r[%.*s%*s] %llu/%llu bytes  %.1f KB/s  %.0fs left ", filled,
                 "##############################", width - filled, "",
                 static_cast<unsigned long long>(shown), static_cast<unsigned long long>(total_),
                 rate / 1024, left);
}

void ProgressPump::Flush() {
    if (!json_lines_.empty()) {
        std::fwrite(json_lines_.data(), 1, json_lines_.size(), stderr);
        json_lines_.clear();
    }
    std::fflush(stderr);
}

}  // namespace quorvex::cli
