// Descriptor-level file calls of the Win32 backend, on the C runtime's
// descriptors and, where the runtime falls short, the Win32 calls beneath.
#include "platform/fileio.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files.h"
#include "platform/os/sdk.h"

namespace {

// The errno that the C runtime would give for a Win32 failure.
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EIO;
    }
}

bool KeyOfHandle(HANDLE handle, quorvex::platform::FileKey* key) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
        errno = ErrnoOf(GetLastError());
        return false;
    }
    key->device = info.dwVolumeSerialNumber;
    key->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace

namespace quorvex::platform {

int OpenDescriptor(const std::string& path, int flags, int mode) {
    return ::_open(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, mode);
}

int SyncDescriptor(int fd) {
    return ::_commit(fd);
}

int RenameReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    errno = ErrnoOf(GetLastError());
    return -1;
}

int MakeDirectory(const std::string& path) {
    return ::_mkdir(path.c_str());
}

bool FileKeyOfDescriptor(int fd, FileKey* key) {
    const intptr_t handle = ::_get_osfhandle(fd);
    if (handle == -1) {
        errno = EBADF;
        return false;
    }
    return KeyOfHandle(reinterpret_cast<HANDLE>(handle), key);
}

bool FileKeyOfPath(const std::string& path, FileKey* key) {
    // Opening for no access at all is allowed whatever others share, and
    // backup semantics let the same call open a directory.
    HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return false;
    }
    const bool ok = KeyOfHandle(handle, key);
    CloseHandle(handle);
    return ok;
}

std::string AbsolutePath(const std::string& path) {
    char full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return NativePath(path);
    return NativePath(std::string(full, n));
}

std::string HomeDirectory() {
    for (const char* name : {"USERPROFILE", "HOME"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return NativePath(value);
    }
    char temp[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof temp, temp);
    return n > 0 && n < sizeof temp ? NativePath(std::string(temp, n)) : std::string(".");
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

}  // namespace quorvex::platform
