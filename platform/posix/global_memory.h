// Global memory blocks, shared by the global-memory calls, the clipboard and
// the file-drop reader.
#pragma once

#include <atomic>
#include <memory>

#include "handle_table.h"

namespace quorvex::platform::internal {

struct GlobalBlock : KernelObject {
    explicit GlobalBlock(SIZE_T n);

    std::unique_ptr<BYTE[]> data;
    SIZE_T size;
    std::atomic<int> locks{0};
    // While the clipboard holds the block, only the clipboard may free it.
    std::atomic<bool> clipboard_owned{false};
};

std::shared_ptr<GlobalBlock> FindGlobalBlock(HGLOBAL handle);
// Frees the block whatever its owner; used by the clipboard for its own items.
void ReleaseGlobalBlock(HGLOBAL handle);

}  // namespace quorvex::platform::internal
