// The process-wide clipboard: one owner thread at a time, items are global
// blocks that the clipboard frees itself.
#include "platform/clipboard.h"

#include <map>
#include <mutex>
#include <thread>

#include "global_memory.h"
#include "last_error.h"
#include "platform/errors.h"

namespace {

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::FindGlobalBlock;
using quorvex::platform::internal::ReleaseGlobalBlock;

struct Clipboard {
    std::mutex mutex;
    bool open = false;
    std::thread::id opener;
    HWND owner = nullptr;
    std::map<UINT, HGLOBAL> items;
};

Clipboard& TheClipboard() {
    static auto* clipboard = new Clipboard;
    return *clipboard;
}

bool OpenedByThisThread(const Clipboard& clipboard) {
    if (clipboard.open && clipboard.opener == std::this_thread::get_id()) return true;
    Fail(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

void Release(HGLOBAL item) {
    auto block = quorvex::platform::internal::HandleTable::Instance()
                     .Get<quorvex::platform::internal::GlobalBlock>(item);
    if (block) block->clipboard_owned = false;
    ReleaseGlobalBlock(item);
}

}  // namespace

BOOL OpenClipboard(HWND hWndNewOwner) {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    if (clipboard.open && clipboard.opener != std::this_thread::get_id()) {
        Fail(ERROR_ACCESS_DENIED, "the clipboard is open in another thread");
        return FALSE;
    }
    clipboard.open = true;
    clipboard.opener = std::this_thread::get_id();
    clipboard.owner = hWndNewOwner;
    return TRUE;
}

BOOL CloseClipboard() {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    if (!OpenedByThisThread(clipboard)) return FALSE;
    clipboard.open = false;
    return TRUE;
}

BOOL EmptyClipboard() {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    if (!OpenedByThisThread(clipboard)) return FALSE;
    for (const auto& item : clipboard.items) Release(item.second);
    clipboard.items.clear();
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    if (!OpenedByThisThread(clipboard)) return nullptr;
    auto block = FindGlobalBlock(hMem);  // also refuses a null (delay-rendered) item
    if (!block) return nullptr;
    auto& slot = clipboard.items[uFormat];
    if (slot != nullptr && slot != hMem) Release(slot);
    slot = hMem;
    block->clipboard_owned = true;
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    if (!OpenedByThisThread(clipboard)) return nullptr;
    auto it = clipboard.items.find(uFormat);
    if (it == clipboard.items.end()) {
        Fail(ERROR_NOT_FOUND, "no clipboard item of that format");
        return nullptr;
    }
    return it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    auto& clipboard = TheClipboard();
    std::lock_guard<std::mutex> lock(clipboard.mutex);
    return clipboard.items.count(format) ? TRUE : FALSE;
}
