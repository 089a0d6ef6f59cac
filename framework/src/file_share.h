// Process-wide table of open CFile descriptors and their share flags, so that
// opening, renaming and removing honour what other openers allow.
#pragma once

#include "platform/fileio.h"
#include "platform/wintypes.h"

namespace quorvex::framework::internal {

using FileIdentity = quorvex::platform::FileKey;

// Records descriptor `fd` as an opener of `file` with the CFile access and
// share bits of `open_flags`. False, recording nothing, when this opener and
// one already recorded for the same file exclude each other.
bool AcquireShare(const FileIdentity& file, int fd, UINT open_flags);
void ReleaseShare(int fd);
// True while any CFile has `file` open.
bool IsFileHeld(const FileIdentity& file);

}  // namespace quorvex::framework::internal
