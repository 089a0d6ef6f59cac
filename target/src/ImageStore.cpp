// POSIX implementation of the image files; every OS error is turned into one
// message that says which file and why.
#include "ImageStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace quorvex::sim {
namespace {

std::atomic<SaveCrashPoint> g_crash_point{SaveCrashPoint::kNone};

bool Fail(const std::string& what, const std::string& path, int err, std::string* error) {
    *error = what + " " + path + ": " + std::strerror(err);
    return false;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

}  // namespace

void SetSaveCrashPointForTest(SaveCrashPoint point) {
    g_crash_point = point;
}

bool ReadImageFile(const std::string& path, std::vector<std::uint8_t>* bytes, bool* missing,
                   std::string* error) {
    bytes->clear();
    *missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            *missing = true;
            return true;
        }
        return Fail("cannot open", path, errno, error);
    }
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return Fail("cannot read", path, err, error);
        }
        if (n == 0) break;
        bytes->insert(bytes->end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

bool ReplaceImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool durable,
                      std::string* error) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Fail("cannot create", temp, errno, error);
    if (!WriteAll(fd, bytes.data(), bytes.size()) || (durable && ::fsync(fd) != 0)) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return Fail("cannot write", temp, err, error);
    }
    if (::close(fd) != 0) return Fail("cannot close", temp, errno, error);
    if (g_crash_point == SaveCrashPoint::kAfterTempWrite) {
        *error = "simulated crash before renaming " + temp;
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Fail("cannot rename", temp, err, error);
    }
    if (durable) {
        // The rename itself is only durable once the directory entry is.
        const std::string dir = DirectoryOf(path);
        const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0) return Fail("cannot open", dir, errno, error);
        const bool synced = ::fsync(dfd) == 0;
        const int err = errno;
        ::close(dfd);
        if (!synced) return Fail("cannot sync", dir, err, error);
    }
    return true;
}

}  // namespace quorvex::sim
