// The progress window's pump, what it keeps of the operation, and its ways of
// drawing.
#include "ProgressPump.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <utility>

#include "ProgressLine.h"
#include "platform/messages.h"
#include "platform/sync.h"
#include "quorvex/FlashExplorerData.h"

namespace quorvex::cli {
namespace {

const char* OperationOf(int kind) {
    switch (kind) {
        case PROGRESS_KIND_READ:
            return "get";
        case PROGRESS_KIND_WRITE:
            return "put";
        case PROGRESS_KIND_REMOVE:
            return "rm";
        case PROGRESS_KIND_FORMAT:
            return "format";
        case PROGRESS_KIND_VERIFY:
            return "verify";
        default:
            return "working";
    }
}

bool MovesBytes(int kind) {
    return kind == PROGRESS_KIND_READ || kind == PROGRESS_KIND_WRITE ||
           kind == PROGRESS_KIND_VERIFY;
}

// Bytes an item puts on the link: a verified write goes both ways.
std::uint64_t LinkBytes(const ProgressNote& item) {
    return item.verified ? 2 * item.bytes : item.bytes;
}

}  // namespace

// The window is made, pumped and destroyed on the pump thread: on Windows a
// window's messages reach only the thread that created it.
ProgressPump::ProgressPump(ProgressMode mode) : mode_(mode) {
    // NO_COLOR asks for plain text; the line keeps its figures, not its gauge.
    const char* no_color = std::getenv("NO_COLOR");
    gauge_ = no_color == nullptr || *no_color == '\0';
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
    if (window_ != nullptr) PostMessageA(window_, WM_QUIT, 0, 0);
    {
        std::lock_guard<std::mutex> lock(stop_mutex_);
        stopping_ = true;
    }
    stop_changed_.notify_all();
    thread_.join();
}

void ProgressPump::Run(HWND window) {
    for (;;) {
        quorvex::platform::WaitForQueue(window, INFINITE);
        MSG msg;
        bool quit = false;
        while (!quit && PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) quit = Take(msg);
        if (mode_ == ProgressMode::kBar) {
            if (quit) {
                Close();
            } else if (!drawn_) {
                Draw();
            }
        }
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
    if (message == kProgressNoteMessage) {
        std::unique_ptr<ProgressNote> note(reinterpret_cast<ProgressNote*>(msg.wParam));
        if (mode_ == ProgressMode::kBar && note != nullptr) TakeNote(std::move(note));
        return false;
    }
    if (mode_ == ProgressMode::kJson) TakeJson(msg);
    if (mode_ != ProgressMode::kBar) return false;
    if (message == WM_FLASH_PROGRESS_START) {
        TakeStart(msg.wParam, static_cast<int>(msg.lParam));
    } else if (message == WM_FLASH_PROGRESS_STEP) {
        // A read of a file the listing did not hold starts with its steps.
        if (!line_) {
            TakeStart(0, PROGRESS_KIND_READ);
            line_->sized = false;
        }
        // Steps without a start come from a read only.
        if (line_->kind == 0) line_->kind = PROGRESS_KIND_READ;
        ++line_->steps;
        line_->step_amount = msg.wParam;
    } else if (message == WM_FLASH_PROGRESS_END) {
        if (line_) line_->phase_over = true;
    } else if (message != WM_TIMER || !line_) {
        return false;  // the timers of removal and format turn the spinner
    }
    drawn_ = false;
    return false;
}

void ProgressPump::TakeJson(const MSG& msg) {
    char line[96];
    int size = 0;
    if (msg.message == WM_FLASH_PROGRESS_START) {
        size = std::snprintf(
            line, sizeof(line), "{\"progress\":\"start\",\"total\":%llu,\"kind\":%lld}\n",
            static_cast<unsigned long long>(msg.wParam), static_cast<long long>(msg.lParam));
    } else if (msg.message == WM_FLASH_PROGRESS_STEP) {
        size = std::snprintf(line, sizeof(line), "{\"progress\":\"step\",\"amount\":%llu}\n",
                             static_cast<unsigned long long>(msg.wParam));
    } else if (msg.message == WM_FLASH_PROGRESS_END) {
        size = std::snprintf(line, sizeof(line), "{\"progress\":\"end\"}\n");
    }
    if (size > 0) json_lines_.append(line, static_cast<std::size_t>(size));
}

void ProgressPump::TakeNote(std::unique_ptr<ProgressNote> note) {
    drawn_ = false;
    if (note->kind == ProgressNote::Kind::kPlan) {
        Open(note->operation, note->sized, note->bytes);
        line_->planned = true;
        line_->by_files = note->by_files;
        line_->files = note->files;
        return;
    }
    if (note->kind == ProgressNote::Kind::kEnd) {
        if (line_ && line_->planned && note->finished) {
            line_->complete = true;
            line_->index = line_->files;
        }
        Close();
        return;
    }
    if (note->kind == ProgressNote::Kind::kItemDone) {
        if (!line_ || !line_->item || !note->finished) return;
        line_->item_done = true;
        if (note->sized) {
            line_->item->bytes = note->bytes;
            line_->item->sized = true;
        }
        return;
    }
    if (!line_ || !line_->planned) {
        // A file on its own has a line of its own.
        Open(note->operation, note->sized, LinkBytes(*note));
    } else if (line_->item) {
        // Items follow one another only when the one before succeeded.
        line_->before += line_->by_files ? 1 : LinkBytes(*line_->item);
    }
    ++line_->index;
    line_->item = std::move(note);
    line_->kind = 0;
    line_->steps = 0;
    line_->phase_over = false;
    line_->wrote = false;
    line_->item_done = false;
}

void ProgressPump::TakeStart(std::uint64_t total, int kind) {
    // A module operation the host announced nothing for gets a line of its
    // own; one inside an announced item is a phase of it.
    const bool own = !line_ || (!line_->planned && !line_->item && line_->phase_over &&
                                kind != PROGRESS_KIND_VERIFY);
    if (own) Open(OperationOf(kind), MovesBytes(kind), total);
    // A removal inside an item (of a partly written file) leaves its count be.
    if (!own && !MovesBytes(kind)) return;
    if (line_->kind == PROGRESS_KIND_WRITE) line_->wrote = true;
    line_->kind = kind;
    line_->steps = 0;
    line_->step_amount = 0;
    line_->phase_over = false;
}

void ProgressPump::Open(std::string operation, bool sized, std::uint64_t total) {
    Close();
    line_ = std::make_unique<Line>();
    line_->operation = std::move(operation);
    line_->sized = sized;
    line_->total = total;
    line_->started = Clock::now();
    drawn_ = false;
}

void ProgressPump::Close() {
    if (!line_) return;
    Draw();
    std::fputc('\n', stderr);
    line_.reset();
    shown_width_ = 0;
}

std::uint64_t ProgressPump::ReadBytes(const std::string& path, std::uint64_t limit) const {
    if (line_->steps == 0) return 0;  // the PC file is not yet created afresh
    std::uint64_t bytes = 0;
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && st.st_size >= 0) {
        // The module writes what has arrived to the file in blocks, at least
        // every 100 ms: its size trails the link by no more than that.
        bytes = static_cast<std::uint64_t>(st.st_size);
    } else {
        // Without the file, a read step stands for one packet of its amount.
        const std::uint64_t acked = line_->phase_over ? line_->steps : line_->steps - 1;
        bytes = acked * line_->step_amount;
    }
    return bytes < limit ? bytes : limit;
}

std::uint64_t ProgressPump::ItemBytes() const {
    const ProgressNote* item = line_->item.get();
    if (item != nullptr && line_->item_done && item->sized) return LinkBytes(*item);
    const bool sized = item != nullptr ? item->sized : line_->sized;
    const std::uint64_t size = !sized ? ~0ull : item != nullptr ? item->bytes : line_->total;
    if (line_->kind == PROGRESS_KIND_WRITE) {
        // A step is posted as its packet goes out; the packet has moved when
        // the next step or the end comes.
        const std::uint64_t acked = line_->phase_over  ? line_->steps
                                    : line_->steps > 0 ? line_->steps - 1
                                                       : 0;
        const unsigned header = item != nullptr ? item->write_header : 8;
        const std::uint64_t data =
            line_->step_amount > header ? line_->step_amount - header : line_->step_amount;
        const std::uint64_t bytes = acked * data;
        return bytes < size ? bytes : size;
    }
    const bool back = item != nullptr && item->verified &&
                      (line_->kind == PROGRESS_KIND_VERIFY ||
                       (line_->kind == PROGRESS_KIND_READ && line_->wrote));
    if (back) return size + ReadBytes(item->read_back, size);
    if (MovesBytes(line_->kind)) return ReadBytes(item != nullptr ? item->filling : "", size);
    return 0;
}

void ProgressPump::Draw() {
    drawn_ = true;
    if (!line_) return;
    const Line& l = *line_;
    if (l.planned && l.index == 0 && !l.complete) return;  // nothing named yet
    const ProgressNote* item = l.item.get();
    ProgressView v;
    v.operation = item != nullptr ? item->operation : l.operation;
    // The read-back of a write shows as such while it runs.
    const bool back =
        l.kind == PROGRESS_KIND_VERIFY || (item != nullptr && item->verified && l.wrote);
    if (back && !l.item_done && !l.phase_over) v.operation = "verify";
    v.name = item != nullptr ? item->name : "";
    v.index = l.index;
    v.count = l.files;
    v.finished = l.complete || (!l.planned && l.item_done);
    if (l.by_files) {
        v.measure = ProgressView::Measure::kFiles;
        v.done = l.complete && l.files > 0 ? l.files : l.before + (l.item_done ? 1 : 0);
    } else if (l.sized || MovesBytes(l.kind)) {
        v.total_known = l.sized;
        v.total = l.total;
        v.done = l.complete ? l.total : l.before + ItemBytes();
    } else {
        v.measure = ProgressView::Measure::kNone;
    }
    v.seconds = std::chrono::duration<double>(Clock::now() - l.started).count();
    v.bar = gauge_;
    const std::string text = FormatProgress(v, TerminalColumns(STDERR_FILENO));
    const std::size_t width = TextWidth(text);
    // What the last line had beyond this one is blanked out: plain spaces,
    // since the line uses no escape codes at all.
    const std::size_t blank = shown_width_ > width ? shown_width_ - width : 0;
    std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(blank), "");
    shown_width_ = width;
}

void ProgressPump::Flush() {
    if (!json_lines_.empty()) {
        std::fwrite(json_lines_.data(), 1, json_lines_.size(), stderr);
        json_lines_.clear();
    }
    std::fflush(stderr);
}

}  // namespace quorvex::cli
