// Frame checksum: zlib's CRC-32, which is the IEEE polynomial the link uses
// and runs several bytes per step, so one pass over a frame costs little.
#include <zlib.h>

#include "cmdlib/Protocol.h"

namespace quorvex::link {

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc) {
    // zlib takes a null buffer as a request for the initial value.
    if (size == 0) return crc;
    return static_cast<std::uint32_t>(
        crc32_z(crc, static_cast<const Bytef*>(data), static_cast<z_size_t>(size)));
}

}  // namespace quorvex::link
