// Descriptor-level file calls that differ between operating systems, for the
// libraries that keep files on plain descriptors (CFile, the settings store).
// Every call returns -1 / false with errno set on failure.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex::platform {

// open(2) for a descriptor that child processes do not inherit and that
// reads and writes bytes unchanged (binary mode on Windows).
int OpenDescriptor(const std::string& path, int flags, int mode = 0666);
// Makes the file's data durable.
int SyncDescriptor(int fd);
// Renames `from` to `to`, replacing an existing `to` in one step.
int RenameReplacing(const std::string& from, const std::string& to);
// Creates one directory (rwx for everyone, less the umask, where modes exist).
int MakeDirectory(const std::string& path);

// What identifies a file independently of its names: device and file number.
struct FileKey {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileKey& other) const {
        return device == other.device && index == other.index;
    }
};
bool FileKeyOfDescriptor(int fd, FileKey* key);
bool FileKeyOfPath(const std::string& path, FileKey* key);

// `path` made absolute against the current directory, in NativePath form.
std::string AbsolutePath(const std::string& path);
// The user's home folder, for per-user files.
std::string HomeDirectory();
// The process id, for names of temporary files.
unsigned long ProcessId();

}  // namespace quorvex::platform
