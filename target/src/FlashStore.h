// The flash image of both simulated cores in one SQLite database: one row per
// directory or file, file content in fixed-size chunks (a blob row each,
// listed per file by index), and the target state that outlives a power
// cycle. Every change is one transaction, so a crash at any moment leaves each
// entry as it was before or after a command.
//
// A file being written stores its chunks as they fill, as pending blobs that
// no file lists yet, without waiting for the disk; its commit then only lists
// them and makes the whole durable. Pending blobs a crashed process left
// behind are dropped when the image is opened again.
//
// Persistent volumes live in the database file ("flash.db" in the image
// folder, or an in-memory database for a simulator without one); RAM volumes
// live in the connection's temporary schema, which is never written to the
// image and is gone when the store closes.
//
// Thread-compatible. Every call that fails returns false and leaves a line
// naming the image and the cause in last_error().
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace quorvex::sim {

class WalCheckpointer;

// Where entries live: a volume of one core. Paths below the volume root are
// "a/b/c"; the root itself is the empty path and has no row.
struct StoreScope {
    int core = 0;  // 0 CP, 1 AP
    std::string_view volume;
    bool ram = false;
};

struct StoredEntry {
    std::int64_t id = 0;
    bool is_dir = false;
    std::uint16_t mode = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint64_t size = 0;
};

struct NamedEntry {
    std::string name;
    StoredEntry entry;
};

// A file's new state, written by CommitFile in one transaction.
struct FileCommit {
    std::int64_t id = 0;  // 0: a file that is not in the store yet
    std::string parent;   // where a new file goes
    std::string name;
    std::uint16_t mode = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint64_t size = 0;
    // The stored chunks are dropped before the staged ones are written.
    bool truncated = false;
    // Chunk index -> the pending blob holding it; every chunk but the last of
    // the file is full. The store owns the blobs once the commit succeeded.
    const std::map<std::uint64_t, std::int64_t>* chunks = nullptr;
};

struct VolumeTotals {
    std::uint32_t entries = 0;
    std::uint64_t bytes = 0;
    std::uint32_t longest_name = 0;
};

class FlashStore {
  public:
    // The database has 64 KiB pages; a chunk row of this size still fits one.
    static constexpr std::size_t kChunkSize = 65024;
    static constexpr const char* kDatabaseName = "flash.db";

    // Opens (creating when missing) the image in folder `dir`, or an
    // in-memory image when `dir` is empty. `durable`: each commit reaches the
    // disk before it is answered. An image folder holding the earlier image
    // files (cp.qxi, ap.qxi) is converted once, keeping them as *.bak.
    // Refuses a database that is not a flash image, or that is reached
    // through a symbolic link. nullptr with a one-line reason on failure.
    static std::unique_ptr<FlashStore> Open(const std::string& dir, bool durable,
                                            std::string* error);
    ~FlashStore();
    FlashStore(const FlashStore&) = delete;
    FlashStore& operator=(const FlashStore&) = delete;

    const std::string& last_error() const { return last_error_; }
    // Bumped by every successful change; cached reads compare it.
    std::uint64_t generation() const { return generation_; }

    // *found false when there is no such entry.
    bool Find(const StoreScope& scope, std::string_view parent, std::string_view name,
              StoredEntry* out, bool* found);
    bool FindById(const StoreScope& scope, std::int64_t id, StoredEntry* out, bool* found);
    // The entries directly in directory `dir`, by name in byte order.
    bool Children(const StoreScope& scope, std::string_view dir, std::vector<NamedEntry>* out);
    bool HasChildren(const StoreScope& scope, std::string_view dir, bool* any);
    bool Totals(const StoreScope& scope, VolumeTotals* out);
    // Length of the longest path below directory `dir`; 0 when it is empty.
    bool LongestPathBelow(const StoreScope& scope, const std::string& dir, std::uint32_t* out);
    // Chunk `index` of a file; empty when it has none.
    bool ReadChunk(const StoreScope& scope, std::int64_t id, std::uint64_t index,
                   std::vector<std::uint8_t>* out);

    // Stores chunks as pending blobs (not yet durable), in one transaction,
    // and names them in *blobs, in order.
    bool WritePending(const StoreScope& scope,
                      const std::vector<const std::vector<std::uint8_t>*>& chunks,
                      std::vector<std::int64_t>* blobs);
    bool ReadPending(const StoreScope& scope, std::int64_t blob, std::vector<std::uint8_t>* out);
    // Drops pending blobs a file will not commit.
    bool DropPending(const StoreScope& scope, const std::vector<std::int64_t>& blobs);

    bool MakeDir(const StoreScope& scope, std::string_view parent, std::string_view name,
                 std::uint16_t mode, std::int64_t now);
    bool CommitFile(const StoreScope& scope, const FileCommit& commit);
    // Removes a file or an empty directory and its content.
    bool Remove(const StoreScope& scope, std::int64_t id);
    bool SetMode(const StoreScope& scope, std::int64_t id, std::uint16_t mode);
    // Moves an entry, and a directory's whole subtree, to a new place.
    bool Move(const StoreScope& scope, const std::string& from_parent, const std::string& from_name,
              const std::string& to_parent, const std::string& to_name);
    // Empties a volume.
    bool Wipe(const StoreScope& scope);

    // Target state kept across power cycles (the clocks).
    bool GetState(const std::string& key, std::int64_t* value, bool* found);
    bool SetState(const std::string& key, std::int64_t value);

  private:
    class Statements;
    class Transaction;
    FlashStore(sqlite3* db, std::string label);
    bool Prepare();
    // True when the image holds every table the statements use.
    bool HasTables();
    bool Fail(const std::string& what);
    Statements& For(const StoreScope& scope);
    bool ConvertLegacyImages(const std::string& dir);
    bool Upgrade(int from_version);
    bool DropOrphans();
    bool Exec(const char* sql);

    bool durable_ = true;

    sqlite3* db_;
    std::unique_ptr<WalCheckpointer> checkpointer_;  // image files only
    std::string label_;                              // the image as messages name it
    std::unique_ptr<Statements> main_;
    std::unique_ptr<Statements> ram_;
    std::string last_error_;
    std::uint64_t generation_ = 1;
    bool temp_ready_ = false;  // the RAM volumes' tables exist
};

}  // namespace quorvex::sim
