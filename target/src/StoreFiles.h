// What the flash store needs from the file system and the process table
// that differs between systems. One backend file per system (posix/, win32/),
// chosen by the build.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex::sim {

// True when `path` exists and leads elsewhere: a symbolic link, on Windows any
// reparse point. The image and its journals refuse to be reached through one.
bool IsLinkedPath(const std::string& path);

// The id under which this process marks written data it has not committed.
std::int64_t CurrentProcessId();

// False only when process `id` is known to be gone; true while it runs and
// whenever that cannot be told, so a live writer's data is never dropped.
bool ProcessMayBeAlive(std::int64_t id);

// Opens `path` for binary reading without following a link at its end: a
// descriptor for read()/close(), or -1 with errno set (ENOENT when missing,
// ELOOP for a link).
int OpenForReading(const std::string& path);

// Renames `from` to `to`, replacing a file already there (which rename() does
// everywhere but Windows). 0, or -1 with errno set.
int RenameReplacing(const std::string& from, const std::string& to);

}  // namespace quorvex::sim
