// Reader of the earlier flash image files ("cp.qxi", "ap.qxi"), kept so that
// an image folder written before the database existed is converted once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::sim {

// One directory or file of an old image, its path split as the store keeps it.
struct LegacyEntry {
    std::string volume;
    std::string parent;  // "" for the volume root
    std::string name;
    bool is_dir = false;
    std::uint16_t mode = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::vector<std::uint8_t> bytes;
};

// Parents come before their children. False with a reason when the bytes
// are not a whole image.
bool DecodeLegacyImage(const std::uint8_t* data, std::size_t size,
                       std::vector<LegacyEntry>* entries, std::string* error);

// Reads a whole file without following a symbolic link. A missing file sets
// *missing and is not a failure.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, bool* missing,
                   std::string* error);

}  // namespace quorvex::sim
