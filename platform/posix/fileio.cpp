// Descriptor-level file calls of the POSIX backend.
#include "platform/fileio.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace quorvex::platform {

int OpenDescriptor(const std::string& path, int flags, int mode) {
    return ::open(path.c_str(), flags | O_CLOEXEC, mode);
}

int SyncDescriptor(int fd) {
    return ::fsync(fd);
}

int RenameReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str());
}

int MakeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777);
}

bool FileKeyOfDescriptor(int fd, FileKey* key) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    *key = FileKey{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool FileKeyOfPath(const std::string& path, FileKey* key) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    *key = FileKey{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    std::string out(cwd);
    if (out.back() != '/') out += '/';
    return out + path;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/tmp";
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace quorvex::platform
