// POSIX backend of the flash store's file-system and process queries.
#include "StoreFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace quorvex::sim {

bool IsLinkedPath(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::int64_t CurrentProcessId() {
    return ::getpid();
}

bool ProcessMayBeAlive(std::int64_t id) {
    // kill(0) and negative ids address process groups, never one process.
    return id > 0 && id <= INT32_MAX && (::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH);
}

int OpenForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

int RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}

}  // namespace quorvex::sim
