// Global memory blocks: fixed blocks are their own address, movable ones get
// an opaque handle; both are tracked so that bogus handles fail cleanly.
#include "global_memory.h"

#include <new>

#include "last_error.h"
#include "platform/clipboard.h"
#include "platform/errors.h"

namespace quorvex::platform::internal {

namespace {
// Requests above this are refused before they reach the allocator, which may
// abort rather than fail under a sanitizer.
constexpr SIZE_T kMaxGlobalBlock = SIZE_T{1} << 30;
}  // namespace

GlobalBlock::GlobalBlock(SIZE_T n) : data(new (std::nothrow) BYTE[n == 0 ? 1 : n]()), size(n) {}

std::shared_ptr<GlobalBlock> FindGlobalBlock(HGLOBAL handle) {
    auto block = HandleTable::Instance().Get<GlobalBlock>(handle);
    if (!block) Fail(ERROR_INVALID_HANDLE);
    return block;
}

void ReleaseGlobalBlock(HGLOBAL handle) {
    HandleTable::Instance().RemoveIf<GlobalBlock>(handle);
}

}  // namespace quorvex::platform::internal

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::FindGlobalBlock;
using quorvex::platform::internal::GlobalBlock;
using quorvex::platform::internal::HandleTable;

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > quorvex::platform::internal::kMaxGlobalBlock) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto block = std::make_shared<GlobalBlock>(dwBytes);
    if (!block->data) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (uFlags & GMEM_MOVEABLE) return HandleTable::Instance().Add(block);
    HGLOBAL handle = block->data.get();
    HandleTable::Instance().AddAt(handle, block);
    return handle;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    auto block = FindGlobalBlock(hMem);
    if (!block) return nullptr;
    ++block->locks;
    return block->data.get();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    auto block = FindGlobalBlock(hMem);
    if (!block) return FALSE;
    int locks = block->locks.load();
    while (locks > 0 && !block->locks.compare_exchange_weak(locks, locks - 1)) {
    }
    if (locks <= 0) {
        Fail(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (locks == 1) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    if (hMem == nullptr) return nullptr;
    auto block = HandleTable::Instance().Get<GlobalBlock>(hMem);
    if (!block) {
        Fail(ERROR_INVALID_HANDLE);
        return hMem;
    }
    if (block->clipboard_owned) {
        Fail(ERROR_ACCESS_DENIED, "the block belongs to the clipboard");
        return hMem;
    }
    HandleTable::Instance().RemoveIf<GlobalBlock>(hMem);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
    auto block = FindGlobalBlock(hMem);
    return block ? block->size : 0;
}
