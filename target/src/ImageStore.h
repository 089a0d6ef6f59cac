// Image files on disk: whole-file reads, and replacement that a crash at any
// moment leaves either old or new (temporary file, fsync, rename, fsync of
// the directory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::sim {

// False with a message naming the file on failure; a missing file is not a
// failure: it sets *missing and leaves *bytes empty.
bool ReadImageFile(const std::string& path, std::vector<std::uint8_t>* bytes, bool* missing,
                   std::string* error);

bool ReplaceImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool durable,
                      std::string* error);

// Test hook: with kAfterTempWrite every replacement stops right after the
// temporary file is complete, as if the process died before the rename, and
// reports failure.
enum class SaveCrashPoint { kNone, kAfterTempWrite };
void SetSaveCrashPointForTest(SaveCrashPoint point);

}  // namespace quorvex::sim
