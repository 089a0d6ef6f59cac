// Image layout: "QXFI", u32 format version, u32 volume count, each volume as
// a name and its root directory, then a CRC-32 of everything before it. A
// node is u8 kind (0 file, 1 directory), u16 mode, i64 created, i64 modified,
// then a file's u32 size and bytes or a directory's u32 count and its
// children, each a name and a node. Integers little-endian; a name is a u16
// length and its bytes.
#include "ImageCodec.h"

#include <zlib.h>

#include <map>

#include "WireIo.h"

namespace quorvex::sim {
namespace {

constexpr std::uint32_t kFormatVersion = 1;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32_z(0, data, static_cast<z_size_t>(size)));
}

void PutName(std::vector<std::uint8_t>& out, const std::string& name) {
    PutU16(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

void PutNode(std::vector<std::uint8_t>& out, const FlashNode& node) {
    out.push_back(node.is_dir ? 1 : 0);
    PutU16(out, node.mode);
    PutU64(out, static_cast<std::uint64_t>(node.created));
    PutU64(out, static_cast<std::uint64_t>(node.modified));
    if (node.is_dir) {
        PutU32(out, static_cast<std::uint32_t>(node.children.size()));
        for (const auto& [name, child] : node.children) {
            PutName(out, name);
            PutNode(out, *child);
        }
    } else {
        PutU32(out, static_cast<std::uint32_t>(node.bytes.size()));
        out.insert(out.end(), node.bytes.begin(), node.bytes.end());
    }
}

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

struct Totals {
    std::uint64_t used = 0;
    std::uint32_t entries = 0;
};

bool ReadNode(Cursor& in, int depth, FlashNode* node, Totals* totals) {
    std::uint64_t kind = 0, mode = 0, created = 0, modified = 0, count = 0;
    if (depth > FlashCore::kMaxDepth || !in.Uint(1, &kind) || kind > 1 || !in.Uint(2, &mode) ||
        !in.Uint(8, &created) || !in.Uint(8, &modified) || !in.Uint(4, &count)) {
        return false;
    }
    node->is_dir = kind == 1;
    node->mode = static_cast<std::uint16_t>(mode & 07777);
    node->created = static_cast<std::int64_t>(created);
    node->modified = static_cast<std::int64_t>(modified);
    if (!node->is_dir) {
        const std::uint8_t* bytes = nullptr;
        if (!in.Bytes(static_cast<std::size_t>(count), &bytes)) return false;
        node->bytes.assign(bytes, bytes + count);
        totals->used += count;
        return true;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string name;
        auto child = std::make_unique<FlashNode>();
        if (!in.Name(&name) || !FlashCore::IsStorableName(name) ||
            node->children.count(name) != 0 || !ReadNode(in, depth + 1, child.get(), totals)) {
            return false;
        }
        ++totals->entries;
        node->children.emplace(std::move(name), std::move(child));
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeImage(const FlashCore& core) {
    std::vector<std::uint8_t> out = {'Q', 'X', 'F', 'I'};
    PutU32(out, kFormatVersion);
    std::uint32_t count = 0;
    for (const FlashVolume& v : core.volumes()) count += v.config.ram ? 0 : 1;
    PutU32(out, count);
    for (const FlashVolume& v : core.volumes()) {
        if (v.config.ram) continue;
        PutName(out, v.config.name);
        PutNode(out, *v.root);
    }
    PutU32(out, Crc32(out.data(), out.size()));
    return out;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, FlashCore* core, std::string* error) {
    if (size < 16 || data[0] != 'Q' || data[1] != 'X' || data[2] != 'F' || data[3] != 'I') {
        *error = "not a flash image";
        return false;
    }
    const std::size_t body = size - 4;
    const std::uint32_t stored = static_cast<std::uint32_t>(data[body]) |
                                 (static_cast<std::uint32_t>(data[body + 1]) << 8) |
                                 (static_cast<std::uint32_t>(data[body + 2]) << 16) |
                                 (static_cast<std::uint32_t>(data[body + 3]) << 24);
    if (Crc32(data, body) != stored) {
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
    struct Loaded {
        std::unique_ptr<FlashNode> root;
        Totals totals;
    };
    std::map<std::string, Loaded> loaded;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string name;
        Loaded volume{std::make_unique<FlashNode>(), {}};
        if (!in.Name(&name) || !ReadNode(in, 0, volume.root.get(), &volume.totals) ||
            !volume.root->is_dir) {
            *error = "flash image malformed";
            return false;
        }
        loaded[name] = std::move(volume);
    }
    if (!in.AtEnd()) {
        *error = "flash image has trailing bytes";
        return false;
    }
    for (FlashVolume& v : core->volumes()) {
        const auto it = loaded.find(v.config.name);
        if (v.config.ram || it == loaded.end()) continue;
        v.root = std::move(it->second.root);
        v.used = it->second.totals.used;
        v.entries = it->second.totals.entries;
    }
    return true;
}

}  // namespace quorvex::sim
