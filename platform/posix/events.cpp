// Events, waits and the closing of handles.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "handle_table.h"
#include "last_error.h"
#include "platform/errors.h"
#include "platform/sync.h"

namespace {

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::HandleTable;
using quorvex::platform::internal::KernelObject;

class Event : public KernelObject {
  public:
    Event(bool manual_reset, bool signalled) : manual_reset_(manual_reset), signalled_(signalled) {}

    void Set() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signalled_ = true;
        }
        if (manual_reset_) {
            changed_.notify_all();
        } else {
            changed_.notify_one();
        }
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = false;
    }

    bool IsSet() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return signalled_;
    }

    DWORD Wait(DWORD timeout_ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto ready = [this] { return signalled_; };
        if (timeout_ms == INFINITE) {
            changed_.wait(lock, ready);
        } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) {
            return WAIT_TIMEOUT;
        }
        if (!manual_reset_) signalled_ = false;
        return WAIT_OBJECT_0;
    }

  private:
    const bool manual_reset_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

// Named events live while a handle to them is open.
std::mutex g_names_mutex;
std::map<std::string, std::weak_ptr<Event>>& Names() {
    static auto* names = new std::map<std::string, std::weak_ptr<Event>>;
    return *names;
}

std::shared_ptr<Event> EventOf(HANDLE handle) {
    auto event = HandleTable::Instance().Get<Event>(handle);
    if (!event) Fail(ERROR_INVALID_HANDLE);
    return event;
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES /*lpEventAttributes*/, BOOL bManualReset,
                    BOOL bInitialState, LPCSTR lpName) {
    if (lpName == nullptr || *lpName == '\0') {
        SetLastError(ERROR_SUCCESS);
        return HandleTable::Instance().Add(std::make_shared<Event>(bManualReset, bInitialState));
    }
    std::lock_guard<std::mutex> lock(g_names_mutex);
    auto& slot = Names()[lpName];
    auto event = slot.lock();
    if (event) {
        HANDLE handle = HandleTable::Instance().Add(event);
        Fail(ERROR_ALREADY_EXISTS);  // and still a valid handle, as callers expect
        return handle;
    }
    event = std::make_shared<Event>(bManualReset, bInitialState);
    slot = event;
    SetLastError(ERROR_SUCCESS);
    return HandleTable::Instance().Add(event);
}

BOOL SetEvent(HANDLE hEvent) {
    auto event = EventOf(hEvent);
    if (!event) return FALSE;
    event->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto event = EventOf(hEvent);
    if (!event) return FALSE;
    event->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto event = EventOf(hHandle);
    if (!event) return WAIT_FAILED;
    return event->Wait(dwMilliseconds);
}

BOOL CloseHandle(HANDLE hObject) {
    if (!HandleTable::Instance().Remove(hObject)) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace quorvex::platform {

bool IsEventSet(HANDLE event) {
    auto object = internal::HandleTable::Instance().Get<Event>(event);
    return object && object->IsSet();
}

}  // namespace quorvex::platform
