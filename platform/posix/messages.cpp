// Windows as message queues, thread queues, and the posting, reading and
// timer calls on top of them.
#include "platform/messages.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "last_error.h"
#include "message_queue.h"
#include "platform/errors.h"
#include "platform/sync.h"

namespace {

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::MessageQueue;

// Windows and thread queues share one registry; never destroyed because
// queues may be touched from static destructors and exiting threads.
struct Registry {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<MessageQueue>> windows;
    std::map<DWORD, std::weak_ptr<MessageQueue>> threads;
    std::uintptr_t next_window = 0x20000;
};

Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

std::atomic<DWORD> g_next_thread_id{1};
// Thread timers get ids of their own, far from the small ids windows use.
std::atomic<UINT_PTR> g_next_thread_timer{0x7FF0};

struct ThreadQueue {
    DWORD id = g_next_thread_id++;
    std::shared_ptr<MessageQueue> queue;

    ~ThreadQueue() {
        if (!queue) return;
        queue->Close();
        auto& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.threads.erase(id);
    }
};

thread_local ThreadQueue tl_thread;

std::shared_ptr<MessageQueue> CurrentThreadQueue() {
    if (!tl_thread.queue) {
        tl_thread.queue = std::make_shared<MessageQueue>(nullptr);
        auto& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.threads[tl_thread.id] = tl_thread.queue;
    }
    return tl_thread.queue;
}

std::shared_ptr<MessageQueue> WindowQueue(HWND hwnd) {
    auto& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.windows.find(hwnd);
    return it == registry.windows.end() ? nullptr : it->second;
}

// The queue a call addresses: the window's, or the calling thread's for null.
// Sets ERROR_INVALID_WINDOW_HANDLE and returns null for a dead window.
std::shared_ptr<MessageQueue> QueueFor(HWND hwnd) {
    if (hwnd == nullptr) return CurrentThreadQueue();
    auto queue = WindowQueue(hwnd);
    if (!queue) Fail(ERROR_INVALID_WINDOW_HANDLE);
    return queue;
}

}  // namespace

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto queue = QueueFor(hWnd);
    if (!queue) return FALSE;
    if (!queue->Post(Msg, wParam, lParam)) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<MessageQueue> queue;
    {
        auto& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.threads.find(idThread);
        if (it != registry.threads.end()) queue = it->second.lock();
    }
    if (!queue || !queue->Post(Msg, wParam, lParam)) {
        Fail(ERROR_INVALID_PARAMETER, "the thread has no message queue");
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int nExitCode) {
    CurrentThreadQueue()->Post(WM_QUIT, static_cast<WPARAM>(nExitCode), 0);
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    auto queue = QueueFor(hWnd);
    if (!queue) return FALSE;
    return queue->Peek(lpMsg, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE
                                                                                           : FALSE;
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    auto queue = QueueFor(hWnd);
    if (!queue || lpMsg == nullptr) {
        if (queue) Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        if (queue->Peek(lpMsg, wMsgFilterMin, wMsgFilterMax, true)) {
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (!queue->Wait(wMsgFilterMin, wMsgFilterMax, INFINITE) && queue->closed()) {
            Fail(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
    }
}

BOOL WaitMessage() {
    return CurrentThreadQueue()->Wait(0, 0, INFINITE) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg != nullptr && lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
    }
    return 0;
}

BOOL TranslateMessage(const MSG* /*lpMsg*/) {
    return FALSE;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    auto queue = QueueFor(hWnd);
    if (!queue) return 0;
    UINT_PTR id = nIDEvent;
    if (hWnd == nullptr && (id == 0 || !queue->HasTimer(id))) id = g_next_thread_timer++;
    queue->SetTimer(id, uElapse, lpTimerFunc);
    if (queue->closed()) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (hWnd != nullptr && id == 0) ? 1 : id;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    auto queue = QueueFor(hWnd);
    if (!queue) return FALSE;
    if (!queue->KillTimer(uIDEvent)) {
        Fail(ERROR_INVALID_PARAMETER, "no such timer");
        return FALSE;
    }
    return TRUE;
}

DWORD GetCurrentThreadId() {
    CurrentThreadQueue();  // so PostThreadMessageA can reach the id handed out
    return tl_thread.id;
}

BOOL IsWindow(HWND hWnd) {
    return hWnd != nullptr && WindowQueue(hWnd) ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hWnd) {
    std::shared_ptr<MessageQueue> queue;
    {
        auto& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.windows.find(hWnd);
        if (it != registry.windows.end()) {
            queue = std::move(it->second);
            registry.windows.erase(it);
        }
    }
    if (!queue) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    queue->Close();
    return TRUE;
}

namespace quorvex::platform {

HWND CreateMessageWindow() {
    auto& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    // Handle values are never reused, so a stale handle stays dead.
    HWND hwnd = reinterpret_cast<HWND>(registry.next_window);
    registry.next_window += 4;
    registry.windows[hwnd] = std::make_shared<internal::MessageQueue>(hwnd);
    return hwnd;
}

std::vector<TimerInfo> ActiveTimers(HWND hwnd) {
    auto queue = QueueFor(hwnd);
    return queue ? queue->Timers() : std::vector<TimerInfo>{};
}

std::size_t QueuedMessageCount(HWND hwnd) {
    auto queue = QueueFor(hwnd);
    return queue ? queue->PostedCount() : 0;
}

BOOL WaitForQueue(HWND hwnd, DWORD timeout_ms) {
    auto queue = QueueFor(hwnd);
    return queue && queue->Wait(0, 0, timeout_ms) ? TRUE : FALSE;
}

}  // namespace quorvex::platform
