// File, directory, volume and clock operations of one simulated core.
#include "FlashCore.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace quorvex::sim {
namespace {

constexpr std::size_t kChunk = FlashStore::kChunkSize;
// Chunks a writer holds in memory before storing them in one transaction: a
// transaction per chunk would cost more than the copy itself.
constexpr std::size_t kStagedChunks = 16;

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

struct FlashCore::OpenFile {
    FlashVolume* volume = nullptr;
    std::int64_t id = 0;  // 0: a new file, created in the store when closed
    FlashPath where;      // where a new file goes
    std::string path;     // where.Text() of a new file
    std::uint64_t position = 0;
    bool can_read = false;
    bool can_write = false;
    bool append = false;
    // A writer's view of the file, committed on close.
    std::uint16_t mode = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint64_t committed_size = 0;  // in the store when opened
    std::uint64_t size = 0;
    bool truncated = false;  // the stored content no longer counts
    bool changed = false;
    // The chunks being written, in memory, at most kStagedChunks of them;
    // the ones written before went to the store as pending blobs.
    std::map<std::uint64_t, std::vector<std::uint8_t>> staged;
    std::map<std::uint64_t, std::int64_t> pending;  // chunk index -> blob
    // The last chunk read from the store: a pending blob (cached_blob), or a
    // committed chunk, valid for one store generation.
    std::int64_t cached_blob = 0;
    std::uint64_t cached_generation = 0;
    std::uint64_t cached_index = 0;
    std::vector<std::uint8_t> cached;
    std::uint64_t size_generation = 0;
};

FlashCore::FlashCore(CoreConfig config, std::function<std::int64_t()> clock, FlashStore* store,
                     int index)
    : config_(std::move(config)), clock_(std::move(clock)), store_(store), index_(index) {
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
        volumes_.push_back(std::move(volume));
    }
}

FlashCore::~FlashCore() {
    // Writes never closed are not committed; their stored chunks go.
    for (auto& [id, file] : handles_) Release(*file);
}

static std::string ClockKey(int index) {
    return index == 0 ? "cp.clock_offset" : "ap.clock_offset";
}

bool FlashCore::Load(std::string* error) {
    const char* core_name = index_ == 0 ? "CP" : "AP";
    for (FlashVolume& v : volumes_) {
        VolumeTotals totals;
        // RAM volumes start empty: their tables live only as long as the
        // store's connection, which has just been opened.
        const bool read = v.config.ram || store_->Totals(Scope(v), &totals);
        if (!read) {
            *error = store_->last_error();
            return false;
        }
        const std::string where =
            "the image's " + std::string(core_name) + " volume " + v.config.name + " holds ";
        if (totals.entries > config_.max_entries) {
            *error = where + std::to_string(totals.entries) + " entries, more than the " +
                     std::to_string(config_.max_entries) + " it may hold";
            return false;
        }
        if (totals.bytes > v.config.capacity) {
            *error = where + std::to_string(totals.bytes) + " bytes, more than its capacity of " +
                     std::to_string(v.config.capacity);
            return false;
        }
        if (totals.longest_name > config_.max_file_name_len) {
            *error = where + "a name of " + std::to_string(totals.longest_name) +
                     " bytes, longer than the " + std::to_string(config_.max_file_name_len) +
                     " allowed";
            return false;
        }
        v.used = totals.bytes;
        v.entries = totals.entries;
    }
    bool found = false;
    if (!store_->GetState(ClockKey(index_), &clock_offset_, &found)) {
        *error = store_->last_error();
        return false;
    }
    return true;
}

StoreScope FlashCore::Scope(const FlashVolume& volume) const {
    return StoreScope{index_, volume.config.name, volume.config.ram};
}

FsStatus FlashCore::StorageFailed() {
    storage_error_ = store_->last_error();
    return FsStatus::kStorage;
}

std::int64_t FlashCore::Now() const {
    return clock_() + clock_offset_;
}

FsStatus FlashCore::SetClock(const CivilTime& time) {
    if (config_.rtc_set_once && clock_set_) return FsStatus::kExists;
    const std::int64_t offset = SecondsFromCivil(time) - clock_();
    // The clock runs on a battery on the real board: it outlives a power cycle.
    if (!store_->SetState(ClockKey(index_), offset)) return StorageFailed();
    clock_offset_ = offset;
    clock_set_ = true;
    return FsStatus::kOk;
}

std::int32_t FlashCore::NextHandleId() {
    // Identifiers must fit the narrow layout's signed 16 bits; they are not
    // reused at once so a stale identifier does not reach a newer file.
    for (;;) {
        last_id_ = last_id_ >= 32767 ? 1 : last_id_ + 1;
        if (handles_.count(last_id_) == 0) return last_id_;
    }
}

FsStatus FlashCore::Lookup(const FlashPath& path, StoredEntry* entry) {
    if (path.parts.empty()) {
        *entry = StoredEntry{};
        entry->is_dir = true;
        entry->mode = 0755;
        return FsStatus::kOk;
    }
    bool found = false;
    if (!store_->Find(Scope(*path.volume), path.ParentText(), path.parts.back(), entry, &found)) {
        return StorageFailed();
    }
    return found ? FsStatus::kOk : FsStatus::kNotFound;
}

FsStatus FlashCore::CheckParent(const FlashPath& path) {
    FlashPath parent{path.volume, path.parts};
    if (!parent.parts.empty()) parent.parts.pop_back();
    StoredEntry entry;
    const FsStatus status = Lookup(parent, &entry);
    if (status != FsStatus::kOk) return status;
    return entry.is_dir ? FsStatus::kOk : FsStatus::kNotFound;
}

bool FlashCore::Busy(const FlashVolume* volume, std::int64_t id, const std::string& path) const {
    for (const auto& [handle, file] : handles_) {
        if (file->volume != volume) continue;
        if (id != 0 && file->id == id) return true;
        if (file->id == 0 && !path.empty() &&
            (file->path == path || file->path.compare(0, path.size() + 1, path + "/") == 0)) {
            return true;
        }
    }
    return false;
}

bool FlashCore::HandleOnRam(std::int32_t id) const {
    const auto it = handles_.find(id);
    return it != handles_.end() && it->second->volume->config.ram;
}

FsStatus FlashCore::Open(std::string_view path, std::string_view mode_text, std::int32_t* id,
                         bool* on_ram) {
    OpenMode mode;
    FlashPath where;
    if (!ParseOpenMode(mode_text, &mode) || !ResolvePath(path, &where)) return FsStatus::kInvalid;
    FlashVolume& volume = *where.volume;
    *on_ram = volume.config.ram;
    if (where.parts.empty()) return FsStatus::kIsDir;
    if (handles_.size() >= config_.max_open_files) return FsStatus::kTooMany;
    StoredEntry entry;
    const FsStatus found = Lookup(where, &entry);
    if (found == FsStatus::kStorage) return found;
    auto file = std::make_unique<OpenFile>();
    file->volume = &volume;
    if (found == FsStatus::kNotFound) {
        if (!mode.create) return FsStatus::kNotFound;
        const FsStatus parent = CheckParent(where);
        if (parent != FsStatus::kOk) return parent;
        if (volume.Entries() >= config_.max_entries) return FsStatus::kTooMany;
        file->mode = config_.default_file_mode;
        file->created = file->modified = Now();
        file->path = where.Text();
        file->where = std::move(where);
        ++volume.pending_entries;
    } else {
        if (entry.is_dir) return FsStatus::kIsDir;
        if (mode.write && IsReadOnly(entry.mode)) return FsStatus::kReadOnly;
        file->id = entry.id;
        file->mode = entry.mode;
        file->created = entry.created;
        file->modified = entry.modified;
        file->committed_size = file->size = entry.size;
        if (mode.truncate) {
            file->truncated = true;
            file->size = 0;
            file->modified = Now();
            volume.pending_bytes -= static_cast<std::int64_t>(entry.size);
        }
    }
    file->can_read = mode.read;
    file->can_write = mode.write;
    file->append = mode.append;
    *id = NextHandleId();
    handles_[*id] = std::move(file);
    return FsStatus::kOk;
}

const std::vector<std::uint8_t>* FlashCore::Chunk(OpenFile& file, std::uint64_t index) {
    static const std::vector<std::uint8_t> kNone;
    if (file.can_write) {
        const auto in_memory = file.staged.find(index);
        if (in_memory != file.staged.end()) return &in_memory->second;
        const auto it = file.pending.find(index);
        if (it != file.pending.end()) {
            if (file.cached_blob == it->second) return &file.cached;
            file.cached_blob = 0;
            if (!store_->ReadPending(Scope(*file.volume), it->second, &file.cached)) {
                StorageFailed();
                return nullptr;
            }
            file.cached_blob = it->second;
            return &file.cached;
        }
        if (file.id == 0 || file.truncated || index * kChunk >= file.committed_size) return &kNone;
    }
    if (file.cached_blob == 0 && file.cached_generation == store_->generation() &&
        file.cached_index == index) {
        return &file.cached;
    }
    file.cached_blob = 0;
    file.cached_generation = 0;
    if (!store_->ReadChunk(Scope(*file.volume), file.id, index, &file.cached)) {
        StorageFailed();
        return nullptr;
    }
    file.cached_generation = store_->generation();
    file.cached_index = index;
    return &file.cached;
}

bool FlashCore::Flush(OpenFile& file) {
    if (file.staged.empty()) return true;
    std::vector<const std::vector<std::uint8_t>*> chunks;
    for (const auto& [index, bytes] : file.staged) chunks.push_back(&bytes);
    std::vector<std::int64_t> blobs, replaced;
    if (!store_->WritePending(Scope(*file.volume), chunks, &blobs)) {
        StorageFailed();
        return false;
    }
    auto blob = blobs.begin();
    for (const auto& [index, bytes] : file.staged) {
        std::int64_t& slot = file.pending[index];
        // A chunk written twice keeps only its newer bytes.
        if (slot != 0) replaced.push_back(slot);
        slot = *blob++;
    }
    if (!store_->DropPending(Scope(*file.volume), replaced)) StorageFailed();
    if (!replaced.empty()) file.cached_blob = 0;  // its number may be given out again
    for (auto& [index, bytes] : file.staged) KeepChunkBuffer(std::move(bytes));
    file.staged.clear();
    return true;
}

std::vector<std::uint8_t> FlashCore::TakeChunkBuffer() {
    if (spare_chunks_.empty()) {
        std::vector<std::uint8_t> chunk;
        chunk.reserve(kChunk);
        return chunk;
    }
    std::vector<std::uint8_t> chunk = std::move(spare_chunks_.back());
    spare_chunks_.pop_back();
    chunk.clear();
    return chunk;
}

void FlashCore::KeepChunkBuffer(std::vector<std::uint8_t>&& chunk) {
    // Kept so that the next chunks are written into memory that is already
    // there, instead of into fresh pages the system has to clear first.
    if (spare_chunks_.size() < kStagedChunks && chunk.capacity() >= kChunk) {
        spare_chunks_.push_back(std::move(chunk));
    }
}

bool FlashCore::Stage(OpenFile& file, std::uint64_t index) {
    if (file.staged.size() >= kStagedChunks && !Flush(file)) return false;
    std::vector<std::uint8_t> chunk = TakeChunkBuffer();
    const std::uint64_t start = index * kChunk;
    const auto held = static_cast<std::size_t>(
        file.size > start ? std::min<std::uint64_t>(kChunk, file.size - start) : 0);
    if (held > 0) {
        // Writing starts from what the file holds there.
        const std::vector<std::uint8_t>* base = Chunk(file, index);
        if (base == nullptr) {
            KeepChunkBuffer(std::move(chunk));
            return false;
        }
        chunk.assign(base->begin(),
                     base->begin() + static_cast<std::ptrdiff_t>(std::min(held, base->size())));
        chunk.resize(held, 0);
    }
    file.staged.emplace(index, std::move(chunk));
    return true;
}

std::uint64_t FlashCore::SizeSeen(OpenFile& file) {
    if (file.can_write || file.size_generation == store_->generation()) return file.size;
    // Another handle may have committed a new size since this one looked.
    StoredEntry entry;
    bool found = false;
    if (store_->FindById(Scope(*file.volume), file.id, &entry, &found)) {
        file.size = found ? entry.size : 0;
        file.size_generation = store_->generation();
    }
    return file.size;
}

FsStatus FlashCore::Read(std::int32_t id, std::size_t wanted, std::vector<std::uint8_t>* out,
                         bool* at_end) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = *it->second;
    if (!file.can_read) return FsStatus::kAccess;
    const std::uint64_t size = SizeSeen(file);
    // Another handle may have truncated the file under this one.
    const std::uint64_t from = std::min<std::uint64_t>(file.position, size);
    const std::uint64_t end = from + std::min<std::uint64_t>(wanted, size - from);
    out->reserve(out->size() + static_cast<std::size_t>(end - from));
    for (std::uint64_t at = from; at < end;) {
        const std::vector<std::uint8_t>* chunk = Chunk(file, at / kChunk);
        if (chunk == nullptr) return FsStatus::kStorage;
        const std::size_t offset = static_cast<std::size_t>(at % kChunk);
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk - offset, end - at));
        // A chunk shorter than the recorded size reads as zeros, not as a fault.
        const std::size_t have = chunk->size() > offset ? std::min(n, chunk->size() - offset) : 0;
        out->insert(out->end(), chunk->begin() + static_cast<std::ptrdiff_t>(offset),
                    chunk->begin() + static_cast<std::ptrdiff_t>(offset + have));
        out->resize(out->size() + (n - have), 0);
        at += n;
    }
    file.position = end;
    *at_end = file.position >= size;
    return FsStatus::kOk;
}

FsStatus FlashCore::Write(std::int32_t id, const std::uint8_t* data, std::size_t count) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = *it->second;
    if (!file.can_write) return FsStatus::kAccess;
    const std::uint64_t from = file.append ? file.size : std::min(file.position, file.size);
    const std::uint64_t end = from + count;
    const std::uint64_t growth = end > file.size ? end - file.size : 0;
    if (growth > file.volume->Free()) return FsStatus::kNoSpace;
    for (std::uint64_t at = from; at < end;) {
        const std::uint64_t index = at / kChunk;
        auto staged = file.staged.find(index);
        if (staged == file.staged.end()) {
            if (!Stage(file, index)) return FsStatus::kStorage;
            staged = file.staged.find(index);
        }
        std::vector<std::uint8_t>& chunk = staged->second;
        const std::size_t offset = static_cast<std::size_t>(at % kChunk);
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk - offset, end - at));
        const std::uint8_t* source = data + (at - from);
        // Bytes over the chunk's old content are copied in place, the rest
        // appended: each byte is written once, never cleared first.
        if (chunk.size() < offset) chunk.resize(offset, 0);
        const std::size_t over = std::min(n, chunk.size() - offset);
        std::memcpy(chunk.data() + offset, source, over);
        chunk.insert(chunk.end(), source + over, source + n);
        at += n;
    }
    file.size = std::max(file.size, end);
    file.volume->pending_bytes += static_cast<std::int64_t>(growth);
    file.position = end;
    file.modified = Now();
    file.changed = true;
    return FsStatus::kOk;
}

FsStatus FlashCore::Seek(std::int32_t id, std::int32_t offset, std::int32_t origin) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = *it->second;
    const auto size = static_cast<std::int64_t>(SizeSeen(file));
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

FsStatus FlashCore::Commit(OpenFile& file) {
    FlashVolume& volume = *file.volume;
    if (file.id == 0) {
        // The directory may have gone behind this core's back (another process).
        const FsStatus parent = CheckParent(file.where);
        if (parent != FsStatus::kOk) return parent;
    }
    FileCommit commit;
    commit.id = file.id;
    commit.parent = file.where.ParentText();
    commit.name = file.id == 0 ? file.where.parts.back() : std::string();
    commit.mode = file.mode;
    commit.created = file.created;
    commit.modified = file.modified;
    commit.size = file.size;
    commit.truncated = file.truncated;
    if (!Flush(file)) return FsStatus::kStorage;
    commit.chunks = &file.pending;
    if (!store_->CommitFile(Scope(volume), commit)) return StorageFailed();
    file.pending.clear();  // the store's now
    // A new file may have replaced one another handle created meanwhile, so
    // the totals are read back rather than worked out.
    VolumeTotals totals;
    if (store_->Totals(Scope(volume), &totals)) {
        volume.used = totals.bytes;
        volume.entries = totals.entries;
    }
    file.committed_size = file.size;
    if (file.id == 0) --volume.pending_entries;
    file.id = -1;  // nothing left to release
    return FsStatus::kOk;
}

void FlashCore::Release(OpenFile& file) {
    if (!file.pending.empty()) {
        std::vector<std::int64_t> blobs;
        for (const auto& [index, blob] : file.pending) blobs.push_back(blob);
        // If this fails too, the next opening of the image drops them.
        if (!store_->DropPending(Scope(*file.volume), blobs)) StorageFailed();
    }
    if (!file.can_write || file.id < 0) return;
    file.volume->pending_bytes -=
        static_cast<std::int64_t>(file.size) - static_cast<std::int64_t>(file.committed_size);
    if (file.id == 0) --file.volume->pending_entries;
}

FsStatus FlashCore::Close(std::int32_t id) {
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FsStatus::kBadHandle;
    OpenFile& file = *it->second;
    FsStatus status = FsStatus::kOk;
    if (file.can_write && (file.id == 0 || file.truncated || file.changed)) {
        // Committed: the pending figures move into the totals. Failed: the
        // staged content is dropped and the store keeps the old file.
        const std::int64_t delta =
            static_cast<std::int64_t>(file.size) - static_cast<std::int64_t>(file.committed_size);
        status = Commit(file);
        if (status == FsStatus::kOk) file.volume->pending_bytes -= delta;
    }
    Release(file);
    handles_.erase(it);
    return status;
}

FsStatus FlashCore::Remove(std::string_view path) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    StoredEntry entry;
    const FsStatus found = Lookup(where, &entry);
    if (found != FsStatus::kOk) return found;
    if (entry.is_dir) return FsStatus::kIsDir;
    if (IsReadOnly(entry.mode)) return FsStatus::kReadOnly;
    if (Busy(where.volume, entry.id, {})) return FsStatus::kBusy;
    if (!store_->Remove(Scope(*where.volume), entry.id)) return StorageFailed();
    where.volume->used -= std::min(where.volume->used, entry.size);
    --where.volume->entries;
    return FsStatus::kOk;
}

FsStatus FlashCore::Rename(std::string_view from, std::string_view to) {
    FlashPath old_path, new_path;
    if (!ResolvePath(from, &old_path) || !ResolvePath(to, &new_path)) return FsStatus::kInvalid;
    if (old_path.volume != new_path.volume || old_path.parts.empty() || new_path.parts.empty()) {
        return FsStatus::kInvalid;
    }
    StoredEntry entry, existing;
    FsStatus status = Lookup(old_path, &entry);
    if (status != FsStatus::kOk) return status;
    status = Lookup(new_path, &existing);
    if (status == FsStatus::kOk) return FsStatus::kExists;
    if (status == FsStatus::kStorage) return status;
    status = CheckParent(new_path);
    if (status != FsStatus::kOk) return status;
    const std::string old_text = old_path.Text();
    if (entry.is_dir) {
        // A directory cannot move into its own subtree.
        if (new_path.parts.size() > old_path.parts.size() &&
            std::equal(old_path.parts.begin(), old_path.parts.end(), new_path.parts.begin())) {
            return FsStatus::kInvalid;
        }
        // Files still to be created below it would land in the old place.
        if (Busy(old_path.volume, 0, old_text)) return FsStatus::kBusy;
        std::uint32_t longest = 0;
        if (!store_->LongestPathBelow(Scope(*old_path.volume), old_text, &longest)) {
            return StorageFailed();
        }
        // Every path below must still fit a path field.
        const std::size_t new_length = new_path.Text().size();
        if (longest > 0 && longest - old_text.size() + new_length >= kPathFieldSize) {
            return FsStatus::kInvalid;
        }
    }
    if (!store_->Move(Scope(*old_path.volume), old_path.ParentText(), old_path.parts.back(),
                      new_path.ParentText(), new_path.parts.back())) {
        return StorageFailed();
    }
    return FsStatus::kOk;
}

FsStatus FlashCore::MakeDir(std::string_view path, std::uint16_t mode) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    if (where.parts.empty()) return FsStatus::kExists;
    StoredEntry entry;
    FsStatus status = Lookup(where, &entry);
    if (status == FsStatus::kOk) return FsStatus::kExists;
    if (status == FsStatus::kStorage) return status;
    status = CheckParent(where);
    if (status != FsStatus::kOk) return status;
    if (where.volume->Entries() >= config_.max_entries) return FsStatus::kTooMany;
    if (!store_->MakeDir(Scope(*where.volume), where.ParentText(), where.parts.back(), mode & 07777,
                         Now())) {
        return StorageFailed();
    }
    ++where.volume->entries;
    return FsStatus::kOk;
}

FsStatus FlashCore::RemoveDir(std::string_view path) {
    FlashPath where;
    if (!ResolvePath(path, &where) || where.parts.empty()) return FsStatus::kInvalid;
    StoredEntry entry;
    const FsStatus found = Lookup(where, &entry);
    if (found != FsStatus::kOk) return found;
    if (!entry.is_dir) return FsStatus::kNotDir;
    bool any = false;
    if (!store_->HasChildren(Scope(*where.volume), where.Text(), &any)) return StorageFailed();
    if (any) return FsStatus::kNotEmpty;
    if (Busy(where.volume, 0, where.Text())) return FsStatus::kBusy;
    if (!store_->Remove(Scope(*where.volume), entry.id)) return StorageFailed();
    --where.volume->entries;
    return FsStatus::kOk;
}

FsStatus FlashCore::ChangeMode(std::string_view path, std::uint32_t mode) {
    FlashPath where;
    if (!ResolvePath(path, &where) || where.parts.empty()) return FsStatus::kInvalid;
    StoredEntry entry;
    const FsStatus found = Lookup(where, &entry);
    if (found != FsStatus::kOk) return found;
    if (!store_->SetMode(Scope(*where.volume), entry.id,
                         static_cast<std::uint16_t>(mode & 07777))) {
        return StorageFailed();
    }
    return FsStatus::kOk;
}

FsStatus FlashCore::Status(std::string_view path, std::uint16_t* word) {
    FlashPath where;
    if (!ResolvePath(path, &where)) return FsStatus::kInvalid;
    StoredEntry entry;
    const FsStatus found = Lookup(where, &entry);
    if (found != FsStatus::kOk) return found;
    *word = StatusWord(entry);
    return FsStatus::kOk;
}

FsStatus FlashCore::List(std::string_view pattern_text, std::vector<ListedEntry>* entries,
                         bool* on_ram) {
    FlashPath dir;
    std::string pattern;
    entries->clear();
    if (!ResolvePattern(pattern_text, &dir, &pattern)) return FsStatus::kInvalid;
    *on_ram = dir.volume->config.ram;
    StoredEntry entry;
    const FsStatus found = Lookup(dir, &entry);
    if (found != FsStatus::kOk) return found;
    if (!entry.is_dir) return FsStatus::kNotDir;
    if (!store_->Children(Scope(*dir.volume), dir.Text(), entries)) return StorageFailed();
    entries->erase(
        std::remove_if(entries->begin(), entries->end(),
                       [&](const ListedEntry& e) { return !GlobMatch(pattern, e.name); }),
        entries->end());
    return FsStatus::kOk;
}

FsStatus FlashCore::Format(FlashVolume& volume) {
    for (const auto& [id, file] : handles_) {
        if (file->volume == &volume) return FsStatus::kBusy;
    }
    if (!store_->Wipe(Scope(volume))) return StorageFailed();
    volume.used = 0;
    volume.entries = 0;
    return FsStatus::kOk;
}

void FlashCore::Reset() {
    // Staged writes are lost with the power, as on the real board.
    for (auto& [id, file] : handles_) Release(*file);
    handles_.clear();
    clock_set_ = false;
    for (FlashVolume& v : volumes_) {
        v.pending_bytes = 0;
        v.pending_entries = 0;
        if (!v.config.ram) continue;
        if (!store_->Wipe(Scope(v))) StorageFailed();
        v.used = 0;
        v.entries = 0;
    }
}

}  // namespace quorvex::sim
