// File, directory, volume and clock operations of one simulated core.
#include "FlashCore.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace quorvex::sim {
namespace {

std::unique_ptr<FlashNode> NewDirectory(std::uint16_t mode, std::int64_t now) {
    auto node = std::make_unique<FlashNode>();
    node->is_dir = true;
    node->mode = mode;
    node->created = node->modified = now;
    return node;
}

struct OpenMode {
    bool read = false;
    bool write = false;
    bool create = false;
    bool truncate = false;
    bool append = false;
};

// The standard library's fopen modes: r, w or a, then any of b, t and +.
bool ParseOpenMode(std::string_view text, OpenMode* mode) {
    if (text.empty() || text.size() > 4) return false;
    bool plus = false;
    for (char c : text.substr(1)) {
        if (c == '+') {
            plus = true;
        } else if (c != 'b' && c != 't') {
            return false;
        }
    }
    switch (text[0]) {
        case 'r':
            mode->read = true;
            mode->write = plus;
            break;
        case 'w':
            mode->write = mode->create = mode->truncate = true;
            mode->read = plus;
            break;
        case 'a':
            mode->write = mode->create = mode->append = true;
            mode->read = plus;
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace

FlashCore::FlashCore(CoreConfig config, std::function<std::int64_t()> clock)
    : config_(std::move(config)), clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count());
        };
    }
    for (const VolumeConfig& v : config_.volumes) {
        FlashVolume volume;
        volume.config = v;
        volume.root = NewDirectory(0755, 0);
        volumes_.push_back(std::move(volume));
    }
}

std::int64_t FlashCore::Now() const {
    return clock_() + clock_offset_;
}

bool FlashCore::SetClock(const CivilTime& time) {
    if (config_.rtc_set_once && clock_set_) return false;
    clock_offset_ = SecondsFromCivil(time) - clock_();
    clock_set_ = true;
    return true;
}

void FlashCore::MarkDirty(const FlashVolume* volume) {
    if (!volume->config.ram) dirty_ = true;
}

std::int32_t FlashCore::NextHandleId() {
    // Identifiers must fit the narrow layout's signed 16 bits; they are not
    // reused at once so a stale identifier does not reach a newer file.
    for (;;) {
        last_id_ = last_id_ >= 32767 ? 1 : last_id_ + 1;
        if (handles_.count(last_id_) == 0) return last_id_;
    }
}

bool FlashCore::HasOpenFileUnder(const FlashNode* node) const {
    for (const auto& [id, file] : handles_) {
        if (file.node == node) return true;
    }
    if (!node->is_dir) return false;
    for (const auto& [name, child] : node->children) {
        if (HasOpenFileUnder(child.get())) return true;
    }
    return false;
}

int FlashCore::SubtreeDepth(const FlashNode& node) {
    int deepest = 0;
    for (const auto& [name, child] : node.children) {
        deepest = std::max(deepest, 1 + SubtreeDepth(*child));
    }
    return deepest;
}

bool FlashCore::HandleOnRam(std::int32_t id) const {
    const auto it = handles_.find(id);
    return it != handles_.end() && it->second.volume->config.ram;
}

FsStatus FlashCore::Open(std::string_view path, std::string_view mode_text, std::int32_t* id,
                         bool* on_ram) {
    OpenMode mode;
    FlashPath where;
    if (!ParseOpenMode(mode_text, &mode) || !ResolvePath(path, &where)) return FsStatus::kInvalid;
    *on_ram = where.volume->config.ram;
    if (where.parts.empty()) return FsStatus::kIsDir;
    if (handles_.size() >= config_.max_open_files) return FsStatus::kTooMany;
    FlashNode* node = Lookup(where);
    if (node == nullptr) {
        if (!mode.create) return FsStatus::kNotFound;
        FlashNode* parent = Parent(where);
        if (parent == nullptr) return FsStatus::kNotFound;
        if (where.volume->entries >= config_.max_entries) return FsStatus::kTooMany;
        auto file = std::make_unique<FlashNode>();
        file->mode = config_.default_file_mode;
        file->created = file->modified = Now();
        node = file.get();
        parent->children[where.parts.back()] = std::move(file);
        ++where.volume->entries;
        MarkDirty(where.volume);
    } else {
        if (node->is_dir) return FsStatus::kIsDir;
        if (mode.write && IsReadOnly(node->mode)) return FsStatus::kReadOnly;
        if (mode.truncate && !node->bytes.empty()) {
            where.volume->used -= node->bytes.size();
            node->bytes.clear();
            node->bytes.shrink_to_fit();
            node->modified = Now();
            MarkDirty(where.volume);
        }
    }
    OpenFile file;
    file.node = node;
    file.volume = where.volume;
    file.can_read = mode.read;
    file.can_write = mode.write;
    file.append = mode.append;
    *id = NextHandleId();
    handles_[*id] = file;
    return FsStatus::kOk;
}

FsStatus FlashCore::Read(std::int32_t id, std::size_t wanted, std::vector<std::uint8_t>* out,
                         bool* at_end) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = it->second;
    if (!file.can_read) return FsStatus::kAccess;
    const std::vector<std::uint8_t>& bytes = file.node->bytes;
    // Another handle may have truncated the file under this one.
    const std::uint64_t from = std::min<std::uint64_t>(file.position, bytes.size());
    const std::uint64_t count = std::min<std::uint64_t>(wanted, bytes.size() - from);
    out->assign(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
    file.position = from + count;
    *at_end = file.position >= bytes.size();
    return FsStatus::kOk;
}

FsStatus FlashCore::Write(std::int32_t id, const std::uint8_t* data, std::size_t count) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = it->second;
    if (!file.can_write) return FsStatus::kAccess;
    std::vector<std::uint8_t>& bytes = file.node->bytes;
    const std::uint64_t from =
        file.append ? bytes.size() : std::min<std::uint64_t>(file.position, bytes.size());
    const std::uint64_t end = from + count;
    const std::uint64_t growth = end > bytes.size() ? end - bytes.size() : 0;
    if (growth > file.volume->Free()) return FsStatus::kNoSpace;
    if (end > bytes.size()) bytes.resize(static_cast<std::size_t>(end));
    if (count != 0) std::memcpy(bytes.data() + from, data, count);
    file.volume->used += growth;
    file.position = end;
    file.node->modified = Now();
    MarkDirty(file.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::Seek(std::int32_t id, std::int32_t offset, std::int32_t origin) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = it->second;
    const auto size = static_cast<std::int64_t>(file.node->bytes.size());
    std::int64_t base = 0;
    switch (origin) {
        case 0:
            break;
        case 1:
            base = static_cast<std::int64_t>(std::min<std::uint64_t>(file.position, size));
            break;
        case 2:
            base = size;
            break;
        default:
            return FsStatus::kInvalid;
    }
    // Positions stay inside the file: a gap past its end would have to be
    // filled, and its size would come straight from the host's offset.
    const std::int64_t target = base + offset;
    if (target < 0 || target > size) return FsStatus::kInvalid;
    file.position = static_cast<std::uint64_t>(target);
    return FsStatus::kOk;
}

FsStatus FlashCore::Close(std::int32_t id) {
    return handles_.erase(id) != 0 ? FsStatus::kOk : FsStatus::kBadHandle;
}

FsStatus FlashCore::Remove(std::string_view path) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    FlashNode* node = Lookup(where);
    if (node == nullptr) return FsStatus::kNotFound;
    if (node->is_dir) return FsStatus::kIsDir;
    if (IsReadOnly(node->mode)) return FsStatus::kReadOnly;
    if (HasOpenFileUnder(node)) return FsStatus::kBusy;
    where.volume->used -= node->bytes.size();
    --where.volume->entries;
    Parent(where)->children.erase(where.parts.back());
    MarkDirty(where.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::Rename(std::string_view from, std::string_view to) {
    FlashPath old_path, new_path;
    if (!ResolvePath(from, &old_path) || !ResolvePath(to, &new_path)) return FsStatus::kInvalid;
    if (old_path.volume != new_path.volume || old_path.parts.empty() || new_path.parts.empty()) {
        return FsStatus::kInvalid;
    }
    FlashNode* node = Lookup(old_path);
    if (node == nullptr) return FsStatus::kNotFound;
    if (Lookup(new_path) != nullptr) return FsStatus::kExists;
    FlashNode* new_parent = Parent(new_path);
    if (new_parent == nullptr) return FsStatus::kNotFound;
    // A directory cannot move into its own subtree.
    if (node->is_dir && new_path.parts.size() > old_path.parts.size() &&
        std::equal(old_path.parts.begin(), old_path.parts.end(), new_path.parts.begin())) {
        return FsStatus::kInvalid;
    }
    if (static_cast<int>(new_path.parts.size()) + SubtreeDepth(*node) > kMaxDepth) {
        return FsStatus::kInvalid;
    }
    FlashNode* old_parent = Parent(old_path);
    auto owned = std::move(old_parent->children[old_path.parts.back()]);
    old_parent->children.erase(old_path.parts.back());
    new_parent->children[new_path.parts.back()] = std::move(owned);
    MarkDirty(old_path.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::MakeDir(std::string_view path, std::uint16_t mode) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    if (where.parts.empty() || Lookup(where) != nullptr) return FsStatus::kExists;
    FlashNode* parent = Parent(where);
    if (parent == nullptr) return FsStatus::kNotFound;
    if (where.volume->entries >= config_.max_entries) return FsStatus::kTooMany;
    parent->children[where.parts.back()] = NewDirectory(mode & 07777, Now());
    ++where.volume->entries;
    MarkDirty(where.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::RemoveDir(std::string_view path) {
    FlashPath where;
    if (!ResolvePath(path, &where) || where.parts.empty()) return FsStatus::kInvalid;
    FlashNode* node = Lookup(where);
    if (node == nullptr) return FsStatus::kNotFound;
    if (!node->is_dir) return FsStatus::kNotDir;
    if (!node->children.empty()) return FsStatus::kNotEmpty;
    --where.volume->entries;
    Parent(where)->children.erase(where.parts.back());
    MarkDirty(where.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::ChangeMode(std::string_view path, std::uint32_t mode) {
    FlashPath where;
    if (!ResolvePath(path, &where) || where.parts.empty()) return FsStatus::kInvalid;
    FlashNode* node = Lookup(where);
    if (node == nullptr) return FsStatus::kNotFound;
    node->mode = static_cast<std::uint16_t>(mode & 07777);
    MarkDirty(where.volume);
    return FsStatus::kOk;
}

FsStatus FlashCore::Status(std::string_view path, std::uint16_t* word) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    FlashNode* node = Lookup(where);
    if (node == nullptr) return FsStatus::kNotFound;
    *word = StatusWord(*node);
    return FsStatus::kOk;
}

FsStatus FlashCore::List(std::string_view pattern_text, std::vector<ListedEntry>* entries,
                         bool* on_ram) {
    FlashPath dir;
    std::string pattern;
    entries->clear();
    if (!ResolvePattern(pattern_text, &dir, &pattern)) return FsStatus::kInvalid;
    *on_ram = dir.volume->config.ram;
    const FlashNode* node = Lookup(dir);
    if (node == nullptr) return FsStatus::kNotFound;
    if (!node->is_dir) return FsStatus::kNotDir;
    for (const auto& [name, child] : node->children) {
        if (GlobMatch(pattern, name)) entries->push_back({name, child.get()});
    }
    return FsStatus::kOk;
}

FsStatus FlashCore::Format(FlashVolume& volume) {
    for (const auto& [id, file] : handles_) {
        if (file.volume == &volume) return FsStatus::kBusy;
    }
    volume.root = NewDirectory(0755, Now());
    volume.used = 0;
    volume.entries = 0;
    MarkDirty(&volume);
    return FsStatus::kOk;
}

void FlashCore::Reset() {
    handles_.clear();
    clock_set_ = false;
    for (FlashVolume& v : volumes_) {
        if (!v.config.ram) continue;
        v.root = NewDirectory(0755, Now());
        v.used = 0;
        v.entries = 0;
    }
}

}  // namespace quorvex::sim
