// Directory and file calls on POSIX paths.
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "file_info.h"
#include "last_error.h"
#include "platform/errors.h"

using quorvex::platform::NativePath;
using quorvex::platform::internal::Fail;
using quorvex::platform::internal::FailFromErrno;

namespace {

// FILETIME counts 100 ns steps from 1601-01-01; Unix time starts 11644473600 s later.
constexpr long long kUnixEpochIn100ns = 116444736000000000LL;

FILETIME ToFileTime(const timespec& ts) {
    long long ticks = kUnixEpochIn100ns + ts.tv_sec * 10000000LL + ts.tv_nsec / 100;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

bool IsNullOrEmpty(LPCSTR path) {
    if (path != nullptr && *path != '\0') return false;
    Fail(ERROR_PATH_NOT_FOUND, "empty path");
    return true;
}

bool IsExistingNonDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/) {
    if (IsNullOrEmpty(lpPathName)) return FALSE;
    std::string path = NativePath(lpPathName);
    if (::mkdir(path.c_str(), 0777) != 0) {
        FailFromErrno(errno, "mkdir", path);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    if (IsNullOrEmpty(lpPathName)) return FALSE;
    std::string path = NativePath(lpPathName);
    if (IsExistingNonDirectory(path)) {
        Fail(ERROR_DIRECTORY, "rmdir '" + path + "': not a directory");
        return FALSE;
    }
    if (::rmdir(path.c_str()) != 0) {
        FailFromErrno(errno, "rmdir", path);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (IsNullOrEmpty(lpFileName)) return FALSE;
    std::string path = NativePath(lpFileName);
    if (::unlink(path.c_str()) != 0) {
        FailFromErrno(errno, "unlink", path);
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    if (IsNullOrEmpty(lpExistingFileName) || IsNullOrEmpty(lpNewFileName)) return FALSE;
    std::string from = NativePath(lpExistingFileName);
    std::string to = NativePath(lpNewFileName);
    struct stat st {};
    // rename(2) would replace the target silently; the native call refuses.
    if (::lstat(to.c_str(), &st) == 0) {
        Fail(ERROR_ALREADY_EXISTS, "rename to '" + to + "': the name is taken");
        return FALSE;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        FailFromErrno(errno, "rename", from);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    if (IsNullOrEmpty(lpFileName)) return INVALID_FILE_ATTRIBUTES;
    std::string path = NativePath(lpFileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        FailFromErrno(errno, "stat", path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return quorvex::platform::internal::AttributesOf(st);
}

namespace quorvex::platform {

std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

namespace internal {

DWORD AttributesOf(const struct stat& st) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

void FillFindData(const std::string& name, const struct stat& st, WIN32_FIND_DATAA* out) {
    std::memset(out, 0, sizeof *out);
    out->dwFileAttributes = AttributesOf(st);
    out->ftCreationTime = ToFileTime(st.st_ctim);
    out->ftLastAccessTime = ToFileTime(st.st_atim);
    out->ftLastWriteTime = ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
        auto size = static_cast<ULONGLONG>(st.st_size);
        out->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
        out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    }
    std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(out->cFileName, name.data(), length);
}

}  // namespace internal
}  // namespace quorvex::platform
