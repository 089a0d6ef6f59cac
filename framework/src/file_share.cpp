// Share-flag bookkeeping between the CFile objects of this process.
#include "file_share.h"

#include <mutex>
#include <unordered_map>

#include "framework/file.h"

namespace quorvex::framework::internal {
namespace {

constexpr unsigned kRead = 1;
constexpr unsigned kWrite = 2;

struct Opener {
    FileIdentity file;
    unsigned access;   // what this opener does
    unsigned allowed;  // what it lets others do
};

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<int, Opener>& Openers() {
    static auto* openers = new std::unordered_map<int, Opener>;
    return *openers;
}

unsigned AccessOf(UINT flags) {
    switch (flags & 0x3) {
        case CFile::modeWrite:
            return kWrite;
        case CFile::modeReadWrite:
            return kRead | kWrite;
        default:
            return kRead;
    }
}

unsigned AllowedOf(UINT flags) {
    switch (flags & 0x70) {
        case CFile::shareDenyWrite:
            return kRead;
        case CFile::shareDenyRead:
            return kWrite;
        case CFile::shareDenyNone:
            return kRead | kWrite;
        default:  // shareCompat and shareExclusive share nothing
            return 0;
    }
}

bool Same(const FileIdentity& a, const FileIdentity& b) {
    return a == b;
}

}  // namespace

bool AcquireShare(const FileIdentity& file, int fd, UINT open_flags) {
    const Opener mine{file, AccessOf(open_flags), AllowedOf(open_flags)};
    std::lock_guard<std::mutex> lock(Mutex());
    for (const auto& [other_fd, other] : Openers()) {
        if (!Same(other.file, file)) continue;
        if ((mine.access & ~other.allowed) != 0 || (other.access & ~mine.allowed) != 0) {
            return false;
        }
    }
    Openers()[fd] = mine;
    return true;
}

void ReleaseShare(int fd) {
    std::lock_guard<std::mutex> lock(Mutex());
    Openers().erase(fd);
}

bool IsFileHeld(const FileIdentity& file) {
    std::lock_guard<std::mutex> lock(Mutex());
    for (const auto& entry : Openers()) {
        if (Same(entry.second.file, file)) return true;
    }
    return false;
}

}  // namespace quorvex::framework::internal
