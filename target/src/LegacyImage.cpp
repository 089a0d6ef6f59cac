// Old image layout: "QXFI", u32 format version (1), u32 volume count, each
// volume as a name and its root directory, then a CRC-32 of everything before
// it. A node is u8 kind (0 file, 1 directory), u16 mode, i64 created, i64
// modified, then a file's u32 size and bytes or a directory's u32 count and
// its children, each a name and a node. Integers little-endian; a name is a
// u16 length and its bytes.
#include "LegacyImage.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "FlashCore.h"
#include "StoreFiles.h"

namespace quorvex::sim {
namespace {

constexpr std::uint32_t kFormatVersion = 1;

// Reads forward through the image; every read checks the remaining length
// before it sizes anything, so a hostile image costs at most its own size.
class Cursor {
  public:
    Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Bytes(std::size_t n, const std::uint8_t** out) {
        if (size_ - pos_ < n) return false;
        *out = data_ + pos_;
        pos_ += n;
        return true;
    }
    bool Uint(std::size_t width, std::uint64_t* out) {
        const std::uint8_t* p = nullptr;
        if (!Bytes(width, &p)) return false;
        *out = 0;
        for (std::size_t i = 0; i < width; ++i) *out |= static_cast<std::uint64_t>(p[i]) << (8 * i);
        return true;
    }
    bool Name(std::string* out) {
        std::uint64_t n = 0;
        const std::uint8_t* p = nullptr;
        if (!Uint(2, &n) || !Bytes(static_cast<std::size_t>(n), &p)) return false;
        out->assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
        return true;
    }
    bool AtEnd() const { return pos_ == size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Reads the node after its name; a directory's children follow it in *out.
bool ReadNode(Cursor& in, int depth, LegacyEntry node, std::vector<LegacyEntry>* out) {
    std::uint64_t kind = 0, mode = 0, created = 0, modified = 0, count = 0;
    if (depth > FlashCore::kMaxDepth || !in.Uint(1, &kind) || kind > 1 || !in.Uint(2, &mode) ||
        !in.Uint(8, &created) || !in.Uint(8, &modified) || !in.Uint(4, &count)) {
        return false;
    }
    node.is_dir = kind == 1;
    node.mode = static_cast<std::uint16_t>(mode & 07777);
    node.created = static_cast<std::int64_t>(created);
    node.modified = static_cast<std::int64_t>(modified);
    const bool root = depth == 0;
    if (!node.is_dir) {
        const std::uint8_t* bytes = nullptr;
        if (root || !in.Bytes(static_cast<std::size_t>(count), &bytes)) return false;
        node.bytes.assign(bytes, bytes + count);
        out->push_back(std::move(node));
        return true;
    }
    const std::string path =
        root ? std::string() : (node.parent.empty() ? node.name : node.parent + "/" + node.name);
    const std::string volume = node.volume;
    if (!root) out->push_back(std::move(node));
    std::set<std::string> seen;
    for (std::uint64_t i = 0; i < count; ++i) {
        LegacyEntry child;
        child.volume = volume;
        child.parent = path;
        if (!in.Name(&child.name) || !FlashCore::IsStorableName(child.name) ||
            !seen.insert(child.name).second || !ReadNode(in, depth + 1, std::move(child), out)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool DecodeLegacyImage(const std::uint8_t* data, std::size_t size,
                       std::vector<LegacyEntry>* entries, std::string* error) {
    entries->clear();
    if (size < 16 || std::memcmp(data, "QXFI", 4) != 0) {
        *error = "not a flash image";
        return false;
    }
    const std::size_t body = size - 4;
    const std::uint32_t stored = static_cast<std::uint32_t>(data[body]) |
                                 (static_cast<std::uint32_t>(data[body + 1]) << 8) |
                                 (static_cast<std::uint32_t>(data[body + 2]) << 16) |
                                 (static_cast<std::uint32_t>(data[body + 3]) << 24);
    if (crc32(0L, data, static_cast<uInt>(body)) != stored) {
        *error = "flash image checksum mismatch";
        return false;
    }
    Cursor in(data + 4, body - 4);
    std::uint64_t version = 0, count = 0;
    if (!in.Uint(4, &version) || version != kFormatVersion) {
        *error = "unsupported flash image version";
        return false;
    }
    if (!in.Uint(4, &count)) {
        *error = "flash image truncated";
        return false;
    }
    std::set<std::string> volumes;
    for (std::uint64_t i = 0; i < count; ++i) {
        LegacyEntry root;
        if (!in.Name(&root.volume) || !volumes.insert(root.volume).second ||
            !ReadNode(in, 0, root, entries)) {
            *error = "flash image malformed";
            return false;
        }
    }
    if (!in.AtEnd()) {
        *error = "flash image has trailing bytes";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, bool* missing,
                   std::string* error) {
    bytes->clear();
    *missing = false;
    const int fd = OpenForReading(path);
    if (fd < 0) {
        if (errno == ENOENT) {
            *missing = true;
            return true;
        }
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = "cannot read " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes->insert(bytes->end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

}  // namespace quorvex::sim
