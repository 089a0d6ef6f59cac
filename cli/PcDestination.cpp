// The temporary file of a get and the checks of PC files before a transfer.
#include "PcDestination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quorvex::cli {

std::string BaseName(const std::string& path) {
    const auto at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string WhyNotAFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
    if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
    return "";
}

PcDestination::~PcDestination() {
    if (temporary_) ::unlink(write_path_.c_str());
}

bool PcDestination::Open(const std::string& pc, const std::string& base_name, std::string* error) {
    if (pc.empty() || base_name.empty()) {
        *error = "no PC file name";
        return false;
    }
    path_ = pc;
    struct stat st {};
    const bool exists = ::stat(pc.c_str(), &st) == 0;
    if ((exists && S_ISDIR(st.st_mode)) || pc.back() == '/') {
        path_ = pc + (pc.back() == '/' ? "" : "/") + base_name;
    }
    // Replacing a link would cut it: the file it points to is the destination.
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* target = ::realpath(path_.c_str(), nullptr)) {
            path_ = target;
            std::free(target);
        }
    }
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            *error = path_ + " is a folder";
            return false;
        }
        write_path_ = path_;
        return true;
    }
    const auto slash = path_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    std::string name =
        (slash == std::string::npos ? "./" : folder) + "." + BaseName(path_) + ".quorvex-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    // The file gets the destination's mode, or what a new file would get.
    mode_t mode = 0;
    if (::stat(path_.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    write_path_ = buffer.data();
    temporary_ = true;
    return true;
}

bool PcDestination::Commit(std::string* error) {
    if (!temporary_) return true;
    if (::rename(write_path_.c_str(), path_.c_str()) != 0) {
        *error = "cannot put the received file in place as " + path_ + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = false;
    return true;
}

}  // namespace quorvex::cli
