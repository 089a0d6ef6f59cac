// The temporary file of a get and the checks of PC files before a transfer.
#include "PcDestination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "PcSystem.h"
#include "platform/fileio.h"

namespace quorvex::cli {
namespace {

// Windows takes both separators in a path; elsewhere a backslash is a
// character of the name.
#if defined(_WIN32)
const char* const kSeparators = "/\\";
#else
const char* const kSeparators = "/";
#endif

bool EndsInSeparator(const std::string& path) {
    return !path.empty() && std::strchr(kSeparators, path.back()) != nullptr;
}

}  // namespace

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
    if ((exists && S_ISDIR(st.st_mode)) || EndsInSeparator(pc)) {
        path_ = pc + (EndsInSeparator(pc) ? "" : "/") + base_name;
    }
    // Replacing a link would cut it: the file it points to is the destination.
    path_ = ResolveLink(path_);
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            *error = path_ + " is a folder";
            return false;
        }
        write_path_ = path_;
        return true;
    }
    const auto slash = path_.find_last_of(kSeparators);
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    std::string name =
        (slash == std::string::npos ? "./" : folder) + "." + BaseName(path_) + ".quorvex-XXXXXX";
    // The file gets the destination's mode, or what a new file would get.
    if (!CreateTemporaryFile(&name, path_)) {
        *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    write_path_ = name;
    temporary_ = true;
    return true;
}

bool PcDestination::Commit(std::string* error) {
    if (!temporary_) return true;
    if (platform::RenameReplacing(write_path_, path_) != 0) {
        *error = "cannot put the received file in place as " + path_ + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = false;
    return true;
}

}  // namespace quorvex::cli
