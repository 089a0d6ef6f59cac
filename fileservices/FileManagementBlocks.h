// Shared pieces of the file and directory management commands: their wait and
// the two shapes their parameter blocks take.
#pragma once

#include <cstddef>

#include "framework/cstring.h"
#include "platform/wintypes.h"

namespace file_management {

const DWORD kExchangeTimeoutMs = 5000;
// Fixed path fields hold at most 255 bytes and their terminating zero.
const std::size_t kPathField = 256;

// The bare-path block: the path's bytes and one zero byte. False when the
// block would not fit the 16-bit DataLength.
inline bool MakePathParameter(const CString& path, CString& block) {
    block = path;
    block += '\0';
    return block.GetLength() <= 0xFFFF;
}

}  // namespace file_management
