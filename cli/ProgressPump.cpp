// The progress window's pump and its two ways of drawing.
#include "ProgressPump.h"

#include <cstdio>
#include <future>

#include "platform/messages.h"
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
    // WM_QUIT queues behind everything already posted, so nothing is lost.
    PostMessageA(window_, WM_QUIT, 0, 0);
    thread_.join();
    if (mode_ == ProgressMode::kBar && total_ > 0) std::fputc('\n', stderr);
}

void ProgressPump::Run(HWND window) {
    MSG msg;
    while (GetMessageA(&msg, window, 0, 0) > 0) {
        if (msg.message == WM_TIMER) continue;
        Show(msg.message, msg.wParam, msg.lParam);
    }
}

void ProgressPump::Show(UINT message, WPARAM w, LPARAM l) {
    if (mode_ == ProgressMode::kJson) {
        if (message == WM_FLASH_PROGRESS_START) {
            std::fprintf(stderr, "{\"progress\":\"start\",\"total\":%llu,\"kind\":%lld}\n",
                         static_cast<unsigned long long>(w), static_cast<long long>(l));
        } else if (message == WM_FLASH_PROGRESS_STEP) {
            std::fprintf(stderr, "{\"progress\":\"step\",\"amount\":%llu}\n",
                         static_cast<unsigned long long>(w));
        } else if (message == WM_FLASH_PROGRESS_END) {
            std::fprintf(stderr, "{\"progress\":\"end\"}\n");
        }
        std::fflush(stderr);
        return;
    }
    if (mode_ != ProgressMode::kBar) return;
    if (message == WM_FLASH_PROGRESS_START) {
        if (total_ > 0) std::fputc('\n', stderr);
        total_ = w;
        done_ = 0;
        started_ = std::chrono::steady_clock::now();
    } else if (message == WM_FLASH_PROGRESS_STEP) {
        done_ += w;
    } else if (message != WM_FLASH_PROGRESS_END) {
        return;
    }
    if (total_ == 0) return;
    const std::uint64_t shown = done_ > total_ ? total_ : done_;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const double rate = seconds > 0 ? shown / seconds : 0;
    const double left = rate > 0 ? (total_ - shown) / rate : 0;
    const int width = 30;
    const int filled = static_cast<int>(width * shown / total_);
    std::fprintf(stderr, "\r[%.*s%*s] %llu/%llu bytes  %.1f KB/s  %.0fs left ", filled,
                 "##############################", width - filled, "",
                 static_cast<unsigned long long>(shown), static_cast<unsigned long long>(total_),
                 rate / 1024, left);
    std::fflush(stderr);
}

}  // namespace quorvex::cli
