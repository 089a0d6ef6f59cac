// The flash file system of one simulated core: volumes holding a tree of
// directories and files, the open-file table, and the core's real-time clock.
// Entries and content live in a FlashStore. A file opened for writing keeps
// the chunks it changes in its handle (a few in memory, the rest as pending
// blobs in the store) and commits them in one transaction when it is closed,
// so until then other handles, and the image after a crash, see the old
// content (or no file, for a new one).
//
// Paths are the text the host sends: components separated by "/", empty
// components ignored. When the first component names one of the core's
// volumes the rest lies on that volume, otherwise the whole path lies on the
// default (first) volume, so "dfm/a.txt", "a.txt" and, on a core offering the
// extended mode, "/data/Linux/Vendrix/NVM/a.txt" all reach files. Any other
// path starting with "/" is refused, as are "." and "..", backslashes, control
// characters, "@" (it ends a listing field), wildcards outside a listing
// pattern, components longer than the core's longest file name, and paths
// longer than a 255-byte path field.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CivilTime.h"
#include "FlashStore.h"
#include "target/SimConfig.h"

namespace quorvex::sim {

struct FlashVolume {
    VolumeConfig config;
    std::uint64_t used = 0;     // file bytes committed
    std::uint32_t entries = 0;  // files and directories committed below the root
    // What the open files would change once committed: bytes (an opened
    // truncation gives space back at once) and files still to be created.
    std::int64_t pending_bytes = 0;
    std::uint32_t pending_entries = 0;

    std::uint64_t Free() const {
        const std::int64_t in_use = static_cast<std::int64_t>(used) + pending_bytes;
        const auto capacity = static_cast<std::int64_t>(config.capacity);
        return in_use >= capacity ? 0 : static_cast<std::uint64_t>(capacity - in_use);
    }
    std::uint32_t Entries() const { return entries + pending_entries; }
};

struct FlashPath {
    FlashVolume* volume = nullptr;
    std::vector<std::string> parts;  // below the volume root; empty for the root itself

    // The parts but the last, joined as the store keeps them.
    std::string ParentText() const;
    std::string Text() const;
};

enum class FsStatus {
    kOk,
    kInvalid,  // malformed path, mode or argument
    kNotFound,
    kExists,
    kNotDir,
    kIsDir,
    kReadOnly,
    kNotEmpty,
    kNoSpace,
    kBusy,     // the entry or volume has open files
    kTooMany,  // open-file or entry limit reached
    kBadHandle,
    kAccess,   // the handle was not opened for this direction
    kStorage,  // the image could not be read or written (storage_error() says why)
};

// A directory entry as a listing reports it.
using ListedEntry = NamedEntry;

class FlashCore {
  public:
    // Status word bit that marks a directory in listings and status answers.
    static constexpr std::uint16_t kDirectoryFlag = 0x4000;
    static constexpr std::size_t kPathFieldSize = 256;
    // Deepest directory nesting: a 255-byte path reaches about this far, and
    // the image reader bounds its recursion by it.
    static constexpr int kMaxDepth = 128;

    // `index` 0 is the CP, 1 the AP; the store is shared by both cores and
    // outlives them.
    FlashCore(CoreConfig config, std::function<std::int64_t()> clock, FlashStore* store, int index);
    ~FlashCore();

    // Reads the volume totals and the clock from the store (no file content);
    // the RAM volumes of a store just opened are empty. False with a reason when the image breaks
    // one of the core's limits or cannot be read.
    bool Load(std::string* error);

    const CoreConfig& config() const { return config_; }
    bool narrow_layout() const { return config_.fdi_version == "FDI5"; }
    std::vector<FlashVolume>& volumes() { return volumes_; }
    const std::vector<FlashVolume>& volumes() const { return volumes_; }
    FlashVolume& default_volume() { return volumes_.front(); }
    FlashVolume* FindVolume(std::string_view name);

    bool ResolvePath(std::string_view text, FlashPath* out);
    // Splits a listing pattern into the directory and the last component,
    // which may hold "*" and "?"; an empty last component means "*".
    bool ResolvePattern(std::string_view text, FlashPath* dir, std::string* pattern);
    // kOk, kNotFound or kStorage; the volume root is a directory without a row.
    FsStatus Lookup(const FlashPath& path, StoredEntry* entry);

    FsStatus Open(std::string_view path, std::string_view mode, std::int32_t* id, bool* on_ram);
    // Appends up to `wanted` bytes from the handle's position to *out.
    FsStatus Read(std::int32_t id, std::size_t wanted, std::vector<std::uint8_t>* out,
                  bool* at_end);
    FsStatus Write(std::int32_t id, const std::uint8_t* data, std::size_t count);
    FsStatus Seek(std::int32_t id, std::int32_t offset, std::int32_t origin);
    FsStatus Close(std::int32_t id);
    // True when the handle is open and its file lies on a RAM volume.
    bool HandleOnRam(std::int32_t id) const;
    std::size_t open_files() const { return handles_.size(); }

    FsStatus Remove(std::string_view path);
    FsStatus Rename(std::string_view from, std::string_view to);
    FsStatus MakeDir(std::string_view path, std::uint16_t mode);
    FsStatus RemoveDir(std::string_view path);
    FsStatus ChangeMode(std::string_view path, std::uint32_t mode);
    FsStatus Status(std::string_view path, std::uint16_t* word);
    FsStatus List(std::string_view pattern, std::vector<ListedEntry>* entries, bool* on_ram);
    FsStatus Format(FlashVolume& volume);

    // A board restart: open files are closed, RAM volumes emptied, the clock
    // may be set again.
    void Reset();

    std::int64_t Now() const;
    // kOk; kExists when the clock was set once already and may not be set
    // again; kStorage when the setting could not be kept in the image.
    FsStatus SetClock(const CivilTime& time);

    // The reason of the last kStorage answer, once; empty when there was none.
    std::string TakeStorageError() { return std::move(storage_error_); }

    static bool IsReadOnly(std::uint16_t mode) { return (mode | 0444) == 0444; }
    static std::uint16_t StatusWord(const StoredEntry& entry) {
        return static_cast<std::uint16_t>(entry.mode | (entry.is_dir ? kDirectoryFlag : 0));
    }
    // Every name the image or a path may hold, whatever the core's limits.
    static bool IsStorableName(std::string_view name);
    static bool GlobMatch(std::string_view pattern, std::string_view name);

  private:
    struct OpenFile;

    bool ValidComponent(std::string_view part, bool allow_wildcards) const;
    bool SplitPath(std::string_view text, bool pattern, FlashPath* out);
    // kOk when the path's parent is a directory.
    FsStatus CheckParent(const FlashPath& path);
    StoreScope Scope(const FlashVolume& volume) const;
    FsStatus StorageFailed();
    // True when a handle is open on entry `id`, or will create a file at or
    // below `path` of `volume`.
    bool Busy(const FlashVolume* volume, std::int64_t id, const std::string& path) const;
    // The bytes of chunk `index` as the handle sees them; nullptr on a store failure.
    const std::vector<std::uint8_t>* Chunk(OpenFile& file, std::uint64_t index);
    std::uint64_t SizeSeen(OpenFile& file);
    // Stores the chunk being written as a pending blob.
    bool Flush(OpenFile& file);
    // Makes chunk `index` one being written (storing the staged ones first
    // when there are enough of them).
    bool Stage(OpenFile& file, std::uint64_t index);
    // An empty buffer with room for a whole chunk, and its way back.
    std::vector<std::uint8_t> TakeChunkBuffer();
    void KeepChunkBuffer(std::vector<std::uint8_t>&& chunk);
    FsStatus Commit(OpenFile& file);
    void Release(OpenFile& file);
    std::int32_t NextHandleId();

    CoreConfig config_;
    std::function<std::int64_t()> clock_;
    FlashStore* store_;
    int index_;
    std::vector<FlashVolume> volumes_;
    std::map<std::int32_t, std::unique_ptr<OpenFile>> handles_;
    std::int32_t last_id_ = 0;
    std::int64_t clock_offset_ = 0;
    bool clock_set_ = false;
    std::string storage_error_;
    std::vector<std::vector<std::uint8_t>> spare_chunks_;
};

}  // namespace quorvex::sim
