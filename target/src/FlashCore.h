// The flash file system of one simulated core: volumes holding a tree of
// directories and files, the open-file table, and the core's real-time clock.
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
#include "target/SimConfig.h"

namespace quorvex::sim {

struct FlashNode {
    bool is_dir = false;
    std::uint16_t mode = 0;  // permission bits only (07777)
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::vector<std::uint8_t> bytes;
    std::map<std::string, std::unique_ptr<FlashNode>> children;
};

struct FlashVolume {
    VolumeConfig config;
    std::unique_ptr<FlashNode> root;
    std::uint64_t used = 0;     // file bytes stored
    std::uint32_t entries = 0;  // files and directories below the root

    std::uint64_t Free() const { return used >= config.capacity ? 0 : config.capacity - used; }
};

struct FlashPath {
    FlashVolume* volume = nullptr;
    std::vector<std::string> parts;  // below the volume root; empty for the root itself
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
    kAccess,  // the handle was not opened for this direction
};

// A directory entry as a listing reports it.
struct ListedEntry {
    std::string name;
    const FlashNode* node = nullptr;
};

class FlashCore {
  public:
    // Status word bit that marks a directory in listings and status answers.
    static constexpr std::uint16_t kDirectoryFlag = 0x4000;
    static constexpr std::size_t kPathFieldSize = 256;
    // Deepest directory nesting: a 255-byte path reaches about this far, and
    // the image reader bounds its recursion by it.
    static constexpr int kMaxDepth = 128;

    FlashCore(CoreConfig config, std::function<std::int64_t()> clock);

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
    FlashNode* Lookup(const FlashPath& path);

    FsStatus Open(std::string_view path, std::string_view mode, std::int32_t* id, bool* on_ram);
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
    // Answers whether the clock took the time (false: already set once).
    bool SetClock(const CivilTime& time);

    // Persistent content changed since the last call.
    bool TakeDirty() {
        const bool d = dirty_;
        dirty_ = false;
        return d;
    }

    static bool IsReadOnly(std::uint16_t mode) { return (mode | 0444) == 0444; }
    static std::uint16_t StatusWord(const FlashNode& node) {
        return static_cast<std::uint16_t>(node.mode | (node.is_dir ? kDirectoryFlag : 0));
    }
    // Every name the image or a path may hold, whatever the core's limits.
    static bool IsStorableName(std::string_view name);
    static bool GlobMatch(std::string_view pattern, std::string_view name);

  private:
    struct OpenFile {
        FlashNode* node = nullptr;
        FlashVolume* volume = nullptr;
        std::uint64_t position = 0;
        bool can_read = false;
        bool can_write = false;
        bool append = false;
    };

    bool ValidComponent(std::string_view part, bool allow_wildcards) const;
    bool SplitPath(std::string_view text, bool pattern, FlashPath* out);
    FlashNode* Parent(const FlashPath& path);
    bool HasOpenFileUnder(const FlashNode* node) const;
    static int SubtreeDepth(const FlashNode& node);
    void MarkDirty(const FlashVolume* volume);
    std::int32_t NextHandleId();

    CoreConfig config_;
    std::function<std::int64_t()> clock_;
    std::vector<FlashVolume> volumes_;
    std::map<std::int32_t, OpenFile> handles_;
    std::int32_t last_id_ = 0;
    std::int64_t clock_offset_ = 0;
    bool clock_set_ = false;
    bool dirty_ = false;
};

}  // namespace quorvex::sim
