// The calling thread's last error and the translation of errno values.
#include "last_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace {

thread_local DWORD tl_last_error = 0;
thread_local std::string tl_context;

bool ParentDirectoryExists(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    auto slash = trimmed.find_last_of('/');
    if (slash == std::string::npos) return true;  // relative to the working directory
    std::string parent = slash == 0 ? "/" : trimmed.substr(0, slash);
    struct stat st {};
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DWORD GetLastError() {
    return tl_last_error;
}

void SetLastError(DWORD code) {
    tl_last_error = code;
    tl_context.clear();
}

namespace quorvex::platform {

std::string LastErrorContext() {
    return tl_context;
}

namespace internal {

void Fail(DWORD code, std::string context) {
    tl_last_error = code;
    tl_context = std::move(context);
}

DWORD ErrorFromErrno(int err, const std::string& path) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return (!path.empty() && !ParentDirectoryExists(path)) ? ERROR_PATH_NOT_FOUND
                                                                   : ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EBUSY:
            return ERROR_BUSY;
        case ETIMEDOUT:
            return ERROR_TIMEOUT;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOSYS:
        case ENOTSUP:
            return ERROR_NOT_SUPPORTED;
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

void FailFromErrno(int err, const char* what, const std::string& path) {
    std::string context = what;
    if (!path.empty()) context += " '" + path + "'";
    context += ": ";
    context += std::strerror(err);
    Fail(ErrorFromErrno(err, path), std::move(context));
}

}  // namespace internal
}  // namespace quorvex::platform
