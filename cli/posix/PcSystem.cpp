// POSIX backend of the host's system calls.
#include "PcSystem.h"

#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace quorvex::cli {

bool NameMatches(const std::string& pattern, const char* name) {
    return fnmatch(pattern.c_str(), name, FNM_PERIOD) == 0;
}

std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* target = ::realpath(path.c_str(), nullptr);
    if (target == nullptr) return path;
    std::string resolved = target;
    std::free(target);
    return resolved;
}

bool CreateTemporaryFile(std::string* name, const std::string& like) {
    std::vector<char> buffer(name->begin(), name->end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) return false;
    struct stat st {};
    mode_t mode = 0;
    if (::stat(like.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    *name = buffer.data();
    return true;
}

void UseBinaryStdout() {}

}  // namespace quorvex::cli
