// System error texts (FormatMessageA) and the local memory their buffers live in.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "handle_table.h"
#include "last_error.h"
#include "platform/errors.h"

namespace {

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::HandleTable;
using quorvex::platform::internal::KernelObject;

struct ErrorText {
    DWORD code;
    const char* text;
};

// Wording of the native system message table, so texts shown to users read the same.
constexpr ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_NOT_LOCKED, "The segment is already unlocked."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid application."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_NOT_FOUND, "Element not found."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_CLIPBOARD_NOT_OPEN, "Thread does not have a clipboard open."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {ERROR_RESOURCE_LANG_NOT_FOUND,
     "The specified resource language ID cannot be found in the image file."},
};

const char* FindText(DWORD code) {
    for (const auto& entry : kErrorTexts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

bool IsSupportedLanguage(DWORD language) {
    // 0 lets the system choose; the table is English, which also serves neutral.
    if (language == 0) return true;
    WORD primary = PRIMARYLANGID(language);
    return primary == LANG_NEUTRAL || primary == LANG_ENGLISH;
}

constexpr SIZE_T kMaxLocalBlock = SIZE_T{1} << 30;

struct LocalBlock : KernelObject {
    explicit LocalBlock(SIZE_T n) : data(new (std::nothrow) char[n == 0 ? 1 : n]()), size(n) {}
    std::unique_ptr<char[]> data;
    SIZE_T size;
};

}  // namespace

DWORD FormatMessageA(DWORD dwFlags, LPCVOID /*lpSource*/, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, va_list* /*Arguments*/) {
    if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 ||
        (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) != 0 ||
        lpBuffer == nullptr) {
        Fail(ERROR_INVALID_PARAMETER, "FormatMessageA: only system texts are offered");
        return 0;
    }
    if (!IsSupportedLanguage(dwLanguageId)) {
        Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const char* base = FindText(dwMessageId);
    if (base == nullptr) {
        Fail(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    std::string text = std::string(base) + "\r\n";
    DWORD length = static_cast<DWORD>(text.size());

    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        // nSize is then the least size to allocate.
        SIZE_T bytes = std::max<SIZE_T>(text.size() + 1, nSize);
        HLOCAL block = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, bytes);
        if (block == nullptr) return 0;
        std::memcpy(block, text.c_str(), text.size() + 1);
        *reinterpret_cast<LPSTR*>(lpBuffer) = reinterpret_cast<LPSTR>(block);
        return length;
    }
    if (nSize < length + 1) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return length;
}

HLOCAL LocalAlloc(UINT /*uFlags*/, SIZE_T uBytes) {
    // Larger requests are refused up front rather than left to the allocator,
    // which may abort instead of failing under a sanitizer.
    if (uBytes > kMaxLocalBlock) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto block = std::make_shared<LocalBlock>(uBytes);
    if (!block->data) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE handle = block->data.get();
    HandleTable::Instance().AddAt(handle, block);
    return reinterpret_cast<HLOCAL>(handle);
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (hMem == nullptr) return nullptr;
    if (!HandleTable::Instance().RemoveIf<LocalBlock>(hMem)) {
        Fail(ERROR_INVALID_HANDLE);
        return hMem;
    }
    return nullptr;
}

SIZE_T LocalSize(HLOCAL hMem) {
    auto block = HandleTable::Instance().Get<LocalBlock>(hMem);
    if (!block) {
        Fail(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

namespace quorvex::platform {

std::string ErrorText(DWORD code) {
    const char* text = FindText(code);
    if (text != nullptr) return text;
    char generic[64];
    std::snprintf(generic, sizeof generic, "Unknown error %lu.", static_cast<unsigned long>(code));
    return generic;
}

}  // namespace quorvex::platform
