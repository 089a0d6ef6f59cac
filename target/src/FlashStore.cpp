// SQLite implementation of the flash image. Statements are prepared once per
// schema ("main" for persistent volumes, "temp" for RAM volumes) and reused.
#include "FlashStore.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "LegacyImage.h"
#include "StoreFiles.h"
#include "WalCheckpointer.h"

namespace quorvex::sim {
namespace {

// "QXFS": marks a database as a flash image, so another program's database
// is refused instead of being taken for an empty image.
constexpr int kApplicationId = 0x51584653;
constexpr int kSchemaVersion = 2;
// Below the host's 5 s exchange time-out, so a locked image is answered with
// an error report rather than with silence.
constexpr int kBusyTimeoutMs = 1000;

const char* const kLegacyNames[2] = {"cp.qxi", "ap.qxi"};

// Pages freed by a removal or an overwrite are left as they are, not zeroed
// (this build of SQLite zeroes them by default). Zeroing costs a copy of the
// page into the rollback journal and a rewrite of it, for every freed chunk;
// the simulated flash promises no more erasure than the real one does.
std::string KeepFreedPages(const char* schema) {
    return std::string("PRAGMA ") + schema + ".secure_delete = OFF;";
}

std::string Tables(const char* schema) {
    const std::string s = schema;
    return "CREATE TABLE IF NOT EXISTS " + s +
           ".entries(id INTEGER PRIMARY KEY, core INTEGER NOT NULL, volume BLOB NOT NULL,"
           " parent BLOB NOT NULL, name BLOB NOT NULL, is_dir INTEGER NOT NULL,"
           " mode INTEGER NOT NULL, created INTEGER NOT NULL, modified INTEGER NOT NULL,"
           " size INTEGER NOT NULL, UNIQUE(core, volume, parent, name));"
           "CREATE TABLE IF NOT EXISTS " +
           s + ".blobs(id INTEGER PRIMARY KEY, data BLOB NOT NULL);" +
           "CREATE TABLE IF NOT EXISTS " + s +
           ".chunks(entry INTEGER NOT NULL, idx INTEGER NOT NULL, blob INTEGER NOT NULL,"
           " PRIMARY KEY(entry, idx));" +
           "CREATE TABLE IF NOT EXISTS " + s +
           ".pending(blob INTEGER PRIMARY KEY, owner INTEGER NOT NULL);";
}

// A statement in use: reset when it goes out of scope, so no read stays open
// between commands (it would pin an old snapshot and hold back checkpoints).
class Running {
  public:
    explicit Running(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Running() { sqlite3_reset(stmt_); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    operator sqlite3_stmt*() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_;
};

// One statement, prepared when first used and kept for the life of the
// store: a run that never reaches a statement never pays for parsing it.
class Stmt {
  public:
    Stmt() = default;
    ~Stmt() { sqlite3_finalize(stmt_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool Prepare(sqlite3* db, std::string sql) {
        db_ = db;
        sql_ = std::move(sql);
        return true;
    }
    // A statement that cannot be prepared runs as a null one: every step of
    // it fails, and the connection's error message says why.
    Running Use() {
        if (stmt_ == nullptr && db_ != nullptr) {
            sqlite3_prepare_v3(db_, sql_.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
        }
        if (stmt_ != nullptr) sqlite3_clear_bindings(stmt_);
        return Running(stmt_);
    }

  private:
    sqlite3* db_ = nullptr;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

void BindText(sqlite3_stmt* s, int i, std::string_view v) {
    // Names are bytes, compared byte for byte: blobs, not text.
    sqlite3_bind_blob(s, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
}

void BindScope(sqlite3_stmt* s, const StoreScope& scope) {
    sqlite3_bind_int(s, 1, scope.core);
    BindText(s, 2, scope.volume);
}

std::string ColumnText(sqlite3_stmt* s, int i) {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
    return p == nullptr ? std::string()
                        : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
}

// Columns id, is_dir, mode, created, modified, size from `first` on.
StoredEntry ColumnEntry(sqlite3_stmt* s, int first) {
    StoredEntry e;
    e.id = sqlite3_column_int64(s, first);
    e.is_dir = sqlite3_column_int(s, first + 1) != 0;
    e.mode = static_cast<std::uint16_t>(sqlite3_column_int(s, first + 2) & 07777);
    e.created = sqlite3_column_int64(s, first + 3);
    e.modified = sqlite3_column_int64(s, first + 4);
    const std::int64_t size = sqlite3_column_int64(s, first + 5);
    e.size = size < 0 ? 0 : static_cast<std::uint64_t>(size);
    return e;
}

bool Step(Stmt& statement) {
    Running s = statement.Use();
    return sqlite3_step(s) == SQLITE_DONE;
}

// Runs a statement whose only parameter is `value`.
bool Step(Stmt& statement, std::int64_t value) {
    Running s = statement.Use();
    sqlite3_bind_int64(s, 1, value);
    return sqlite3_step(s) == SQLITE_DONE;
}

std::string Join(std::string_view parent, std::string_view name) {
    std::string path(parent);
    if (!path.empty()) path += '/';
    path += name;
    return path;
}

}  // namespace

class FlashStore::Statements {
  public:
    bool Prepare(sqlite3* db, const char* schema) {
        const std::string e = std::string(schema) + ".entries";
        const std::string c = std::string(schema) + ".chunks";
        const std::string b = std::string(schema) + ".blobs";
        const std::string p = std::string(schema) + ".pending";
        const std::string blobs_of = " WHERE id IN (SELECT blob FROM " + c;
        const std::string cols = "id, is_dir, mode, created, modified, size";
        const std::string where = " WHERE core = ?1 AND volume = ?2";
        return find.Prepare(db, "SELECT " + cols + " FROM " + e + where +
                                    " AND parent = ?3 AND name = ?4") &&
               find_id.Prepare(db, "SELECT " + cols + " FROM " + e + " WHERE id = ?1") &&
               children.Prepare(db, "SELECT name, " + cols + " FROM " + e + where +
                                        " AND parent = ?3 ORDER BY name") &&
               any_child.Prepare(db, "SELECT 1 FROM " + e + where + " AND parent = ?3 LIMIT 1") &&
               totals.Prepare(
                   db, "SELECT count(*), total(size), max(length(name)) FROM " + e + where) &&
               insert.Prepare(db,
                              "INSERT INTO " + e +
                                  "(core, volume, parent, name, is_dir, mode, created,"
                                  " modified, size) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)") &&
               update_file.Prepare(db,
                                   "UPDATE " + e + " SET modified = ?2, size = ?3 WHERE id = ?1") &&
               set_mode.Prepare(db, "UPDATE " + e + " SET mode = ?2 WHERE id = ?1") &&
               remove.Prepare(db, "DELETE FROM " + e + " WHERE id = ?1") &&
               subtree.Prepare(db, "SELECT id, parent FROM " + e + where +
                                       " AND (parent = ?3 OR substr(parent, 1, ?4) = ?5)") &&
               longest.Prepare(db, "SELECT max(length(parent) + 1 + length(name)) FROM " + e +
                                       where +
                                       " AND (parent = ?3 OR substr(parent, 1, ?4) = ?5)") &&
               move.Prepare(db, "UPDATE " + e + " SET parent = ?2, name = ?3 WHERE id = ?1") &&
               set_parent.Prepare(db, "UPDATE " + e + " SET parent = ?2 WHERE id = ?1") &&
               wipe_blobs.Prepare(db, "DELETE FROM " + b + blobs_of +
                                          " WHERE entry IN (SELECT id FROM " + e + where + "))") &&
               wipe_chunks.Prepare(
                   db, "DELETE FROM " + c + " WHERE entry IN (SELECT id FROM " + e + where + ")") &&
               wipe.Prepare(db, "DELETE FROM " + e + where) &&
               // A scalar subquery: "IN (SELECT ...)" would build a temporary
               // table for every chunk read.
               chunk.Prepare(db, "SELECT data FROM " + b + " WHERE id = (SELECT blob FROM " + c +
                                     " WHERE entry = ?1 AND idx = ?2)") &&
               chunk_blob.Prepare(db, "SELECT blob FROM " + c + " WHERE entry = ?1 AND idx = ?2") &&
               put_chunk.Prepare(
                   db, "INSERT OR REPLACE INTO " + c + "(entry, idx, blob) VALUES(?1, ?2, ?3)") &&
               drop_blobs.Prepare(
                   db, "DELETE FROM " + b + blobs_of + " WHERE entry = ?1 AND idx >= ?2)") &&
               drop_chunks.Prepare(db, "DELETE FROM " + c + " WHERE entry = ?1 AND idx >= ?2") &&
               blob.Prepare(db, "SELECT data FROM " + b + " WHERE id = ?1") &&
               put_blob.Prepare(db, "INSERT INTO " + b + "(data) VALUES(?1)") &&
               drop_blob.Prepare(db, "DELETE FROM " + b + " WHERE id = ?1") &&
               mark.Prepare(db, "INSERT INTO " + p + "(blob, owner) VALUES(?1, ?2)") &&
               mark_range.Prepare(db, "INSERT INTO " + p + "(blob, owner) SELECT id, ?3 FROM " + b +
                                          " WHERE id BETWEEN ?1 AND ?2") &&
               unmark_listed.Prepare(db, "DELETE FROM " + p + " WHERE blob IN (SELECT blob FROM " +
                                             c + " WHERE entry = ?1)") &&
               unmark.Prepare(db, "DELETE FROM " + p + " WHERE blob = ?1") &&
               (std::string(schema) != "main" ||
                (get_state.Prepare(db, "SELECT value FROM main.state WHERE key = ?1") &&
                 set_state.Prepare(db,
                                   "INSERT OR REPLACE INTO main.state(key, value)"
                                   " VALUES(?1, ?2)") &&
                 sync_off.Prepare(db, "PRAGMA main.synchronous = OFF") &&
                 sync_full.Prepare(db, "PRAGMA main.synchronous = FULL")));
    }

    Stmt find, find_id, children, any_child, totals, insert, update_file, set_mode, remove, subtree,
        longest, move, set_parent, wipe_blobs, wipe_chunks, wipe, chunk, chunk_blob, put_chunk,
        drop_blobs, drop_chunks, blob, put_blob, drop_blob, mark, mark_range, unmark, unmark_listed;
    Stmt get_state, set_state, sync_off, sync_full;  // main schema only

    // Drops a file's chunks from index `from` on, with their blobs.
    bool DropChunks(std::int64_t id, std::uint64_t from) {
        for (Stmt* stmt : {&drop_blobs, &drop_chunks}) {
            Running s = stmt->Use();
            sqlite3_bind_int64(s, 1, id);
            sqlite3_bind_int64(s, 2, static_cast<std::int64_t>(from));
            if (sqlite3_step(s) != SQLITE_DONE) return false;
        }
        return true;
    }
};

// BEGIN on construction, ROLLBACK on destruction unless committed. A RAM-only
// change does not lock the image file.
class FlashStore::Transaction {
  public:
    Transaction(FlashStore* store, bool ram) : store_(store) {
        ok_ = sqlite3_exec(store->db_, ram ? "BEGIN" : "BEGIN IMMEDIATE", nullptr, nullptr,
                           nullptr) == SQLITE_OK;
        if (!ok_) store->Fail("cannot start a change");
    }
    ~Transaction() {
        if (ok_ && !done_) sqlite3_exec(store_->db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool ok() const { return ok_; }
    // `visible`: the change shows in what the store answers (cached reads
    // must look again); pending blobs are not.
    bool Commit(bool visible = true) {
        if (sqlite3_exec(store_->db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            return store_->Fail("cannot commit");
        }
        done_ = true;
        if (visible) ++store_->generation_;
        return true;
    }

  private:
    FlashStore* store_;
    bool ok_ = false;
    bool done_ = false;
};

FlashStore::FlashStore(sqlite3* db, std::string label)
    : db_(db), label_(std::move(label)), main_(new Statements), ram_(new Statements) {}

FlashStore::~FlashStore() {
    // The last connection to close copies what is left of the log.
    checkpointer_.reset();
    main_.reset();
    ram_.reset();
    sqlite3_close(db_);
}

bool FlashStore::Fail(const std::string& what) {
    last_error_ = label_ + ": " + what + ": " + sqlite3_errmsg(db_);
    return false;
}

FlashStore::Statements& FlashStore::For(const StoreScope& scope) {
    if (!scope.ram) return *main_;
    // The RAM volumes' tables are made when a RAM volume is first used; if
    // that fails, their statements fail with the reason.
    if (!temp_ready_) {
        // Made inside a transaction, they would go again with its rollback.
        temp_ready_ = sqlite3_exec(db_, (KeepFreedPages("temp") + Tables("temp")).c_str(), nullptr,
                                   nullptr, nullptr) == SQLITE_OK &&
                      sqlite3_get_autocommit(db_) != 0;
    }
    return *ram_;
}

std::unique_ptr<FlashStore> FlashStore::Open(const std::string& dir, bool durable,
                                             std::string* error) {
    std::string path = ":memory:";
    std::string label = "in-memory flash image";
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            *error = "cannot create image folder " + dir + ": " + ec.message();
            return nullptr;
        }
        path = dir + "/" + kDatabaseName;
        label = "flash image " + path;
        // SQLite refuses a linked database itself; its journal files must not
        // lead out of the folder either.
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            if (IsLinkedPath(path + suffix)) {
                *error = label + ": " + path + suffix + " is a symbolic link; refused";
                return nullptr;
            }
        }
    }
    // The store keeps no allocation statistics, and counting them would take
    // a process-wide lock on every allocation of a page. Possible only before
    // SQLite's first use in the process; later calls change nothing.
    static const int kNoMemoryStatus = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)kNoMemoryStatus;
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    const int opened = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<FlashStore> store(new FlashStore(db, label));
    if (opened != SQLITE_OK) {
        store->Fail("cannot open");
        *error = store->last_error();
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);

    // The first read of a file that is not a database fails here.
    sqlite3_stmt* probe = nullptr;
    int app_id = 0, version = 0, tables = 0;
    bool read = sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &probe, nullptr) == SQLITE_OK &&
                sqlite3_step(probe) == SQLITE_ROW;
    if (read) app_id = sqlite3_column_int(probe, 0);
    sqlite3_finalize(probe);
    probe = nullptr;
    read = read &&
           sqlite3_prepare_v2(db,
                              "SELECT (SELECT user_version FROM pragma_user_version),"
                              " (SELECT count(*) FROM sqlite_schema)",
                              -1, &probe, nullptr) == SQLITE_OK &&
           sqlite3_step(probe) == SQLITE_ROW;
    if (read) {
        version = sqlite3_column_int(probe, 0);
        tables = sqlite3_column_int(probe, 1);
    }
    sqlite3_finalize(probe);
    if (!read) {
        store->Fail("cannot read (damaged or not a flash image)");
        *error = store->last_error();
        return nullptr;
    }
    if (tables != 0 && (app_id != kApplicationId || version < 1 || version > kSchemaVersion)) {
        *error = label + ": not a flash image of this simulator (or a newer one); refused";
        return nullptr;
    }
    store->durable_ = durable;
    // Large pages: a file's content is written in whole-page chunk rows.
    const std::string setup =
        "PRAGMA page_size = 65536;" + KeepFreedPages("main") +
        std::string(
            dir.empty() ? "" : "PRAGMA journal_mode = WAL; PRAGMA journal_size_limit = 4194304;") +
        "PRAGMA synchronous = " + (durable ? "FULL;" : "NORMAL;") + "PRAGMA temp_store = MEMORY;" +
        // Only a new image is written to here: opening an existing one to
        // look at it changes nothing and waits for no disk.
        (tables == 0 ? "PRAGMA application_id = " + std::to_string(kApplicationId) +
                           "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";" +
                           Tables("main")
                     : std::string()) +
        "CREATE TABLE IF NOT EXISTS main.state(key TEXT PRIMARY KEY, value INTEGER NOT NULL);";
    if (sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        (tables != 0 && !store->Upgrade(version)) || !store->Prepare()) {
        store->Fail("cannot set up");
        *error = store->last_error();
        return nullptr;
    }
    if (!store->HasTables()) {
        *error = label + ": tables of the image are missing (damaged); refused";
        return nullptr;
    }
    if (!dir.empty()) {
        store->checkpointer_ = WalCheckpointer::Start(path, error);
        if (!store->checkpointer_) return nullptr;
        store->checkpointer_->Watch(db);
    }
    if (!store->DropOrphans() || (!dir.empty() && !store->ConvertLegacyImages(dir))) {
        *error = store->last_error();
        return nullptr;
    }
    return store;
}

bool FlashStore::DropOrphans() {
    // Pending blobs of a process that is gone were never committed; those of
    // a live one (another program on the same image) may still be.
    std::vector<std::int64_t> gone;
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT DISTINCT owner FROM main.pending", -1, &s, nullptr) !=
            SQLITE_OK) {
            return Fail("cannot read");
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            const std::int64_t owner = sqlite3_column_int64(s, 0);
            if (!ProcessMayBeAlive(owner)) gone.push_back(owner);
        }
        sqlite3_finalize(s);
    }
    for (std::int64_t owner : gone) {
        const std::string id = std::to_string(owner);
        if (!Exec(("BEGIN IMMEDIATE; DELETE FROM main.blobs WHERE id IN"
                   " (SELECT blob FROM main.pending WHERE owner = " +
                   id +
                   ");"
                   "DELETE FROM main.pending WHERE owner = " +
                   id + "; COMMIT")
                      .c_str())) {
            return false;
        }
    }
    return true;
}

bool FlashStore::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    Fail("cannot update");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool FlashStore::Upgrade(int from_version) {
    if (from_version == kSchemaVersion) return true;
    // Version 1 kept a chunk's bytes in its chunk row.
    return Exec(("BEGIN IMMEDIATE;"
                 "ALTER TABLE main.chunks RENAME TO chunks_v1;" +
                 Tables("main") +
                 "INSERT INTO main.blobs(id, data) SELECT rowid, data FROM main.chunks_v1;"
                 "INSERT INTO main.chunks(entry, idx, blob)"
                 " SELECT entry, idx, rowid FROM main.chunks_v1;"
                 "DROP TABLE main.chunks_v1;"
                 "PRAGMA main.user_version = " +
                 std::to_string(kSchemaVersion) + "; COMMIT")
                    .c_str());
}

bool FlashStore::HasTables() {
    // Statements are prepared when first used, so a table missing from a
    // damaged image is looked for here, while it can still be refused.
    sqlite3_stmt* s = nullptr;
    const bool read = sqlite3_prepare_v2(db_,
                                         "SELECT count(*) FROM main.sqlite_schema WHERE type ="
                                         " 'table' AND name IN ('entries', 'blobs', 'chunks',"
                                         " 'pending', 'state')",
                                         -1, &s, nullptr) == SQLITE_OK &&
                      sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) == 5;
    sqlite3_finalize(s);
    return read;
}

bool FlashStore::Prepare() {
    return main_->Prepare(db_, "main") && ram_->Prepare(db_, "temp");
}

bool FlashStore::ConvertLegacyImages(const std::string& dir) {
    std::int64_t converted = 0;
    bool found = false;
    if (!GetState("legacy_converted", &converted, &found)) return false;
    if (found) return true;
    std::vector<LegacyEntry> entries[2];
    bool any = false;
    for (int core = 0; core < 2; ++core) {
        const std::string path = dir + "/" + kLegacyNames[core];
        std::vector<std::uint8_t> bytes;
        bool missing = false;
        std::string why;
        if (!ReadWholeFile(path, &bytes, &missing, &why) ||
            (!missing && !DecodeLegacyImage(bytes.data(), bytes.size(), &entries[core], &why))) {
            last_error_ = label_ + ": cannot convert " + path + ": " + why;
            return false;
        }
        any = any || !missing;
    }
    Transaction t(this, false);
    if (!t.ok()) return false;
    for (int core = 0; core < 2; ++core) {
        for (const LegacyEntry& e : entries[core]) {
            Running s = main_->insert.Use();
            sqlite3_bind_int(s, 1, core);
            BindText(s, 2, e.volume);
            BindText(s, 3, e.parent);
            BindText(s, 4, e.name);
            sqlite3_bind_int(s, 5, e.is_dir ? 1 : 0);
            sqlite3_bind_int(s, 6, e.mode);
            sqlite3_bind_int64(s, 7, e.created);
            sqlite3_bind_int64(s, 8, e.modified);
            sqlite3_bind_int64(s, 9, static_cast<std::int64_t>(e.bytes.size()));
            if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot convert the old image");
            const std::int64_t id = sqlite3_last_insert_rowid(db_);
            for (std::size_t at = 0; at < e.bytes.size(); at += kChunkSize) {
                const std::size_t n = std::min(kChunkSize, e.bytes.size() - at);
                {
                    Running b = main_->put_blob.Use();
                    sqlite3_bind_blob(b, 1, e.bytes.data() + at, static_cast<int>(n),
                                      SQLITE_STATIC);
                    if (sqlite3_step(b) != SQLITE_DONE) return Fail("cannot convert the old image");
                }
                Running c = main_->put_chunk.Use();
                sqlite3_bind_int64(c, 1, id);
                sqlite3_bind_int64(c, 2, static_cast<std::int64_t>(at / kChunkSize));
                sqlite3_bind_int64(c, 3, sqlite3_last_insert_rowid(db_));
                if (sqlite3_step(c) != SQLITE_DONE) return Fail("cannot convert the old image");
            }
        }
    }
    {
        Running s = main_->set_state.Use();
        sqlite3_bind_text(s, 1, "legacy_converted", -1, SQLITE_STATIC);
        sqlite3_bind_int64(s, 2, 1);
        if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot convert the old image");
    }
    if (!t.Commit()) return false;
    // Only once the database holds everything do the old files step aside.
    for (const char* name : kLegacyNames) {
        const std::string path = dir + "/" + name;
        if (any && RenameReplacing(path, path + ".bak") != 0 && errno != ENOENT) {
            last_error_ =
                label_ + ": converted, but cannot rename " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool FlashStore::Find(const StoreScope& scope, std::string_view parent, std::string_view name,
                      StoredEntry* out, bool* found) {
    Running s = For(scope).find.Use();
    BindScope(s, scope);
    BindText(s, 3, parent);
    BindText(s, 4, name);
    const int rc = sqlite3_step(s);
    *found = rc == SQLITE_ROW;
    if (*found) *out = ColumnEntry(s, 0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail("cannot read");
}

bool FlashStore::FindById(const StoreScope& scope, std::int64_t id, StoredEntry* out, bool* found) {
    Running s = For(scope).find_id.Use();
    sqlite3_bind_int64(s, 1, id);
    const int rc = sqlite3_step(s);
    *found = rc == SQLITE_ROW;
    if (*found) *out = ColumnEntry(s, 0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail("cannot read");
}

bool FlashStore::Children(const StoreScope& scope, std::string_view dir,
                          std::vector<NamedEntry>* out) {
    out->clear();
    Running s = For(scope).children.Use();
    BindScope(s, scope);
    BindText(s, 3, dir);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        out->push_back({ColumnText(s, 0), ColumnEntry(s, 1)});
    return rc == SQLITE_DONE || Fail("cannot list");
}

bool FlashStore::HasChildren(const StoreScope& scope, std::string_view dir, bool* any) {
    Running s = For(scope).any_child.Use();
    BindScope(s, scope);
    BindText(s, 3, dir);
    const int rc = sqlite3_step(s);
    *any = rc == SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail("cannot read");
}

bool FlashStore::Totals(const StoreScope& scope, VolumeTotals* out) {
    Running s = For(scope).totals.Use();
    BindScope(s, scope);
    if (sqlite3_step(s) != SQLITE_ROW) return Fail("cannot read");
    out->entries = static_cast<std::uint32_t>(sqlite3_column_int64(s, 0));
    out->bytes = static_cast<std::uint64_t>(sqlite3_column_double(s, 1));
    out->longest_name = static_cast<std::uint32_t>(sqlite3_column_int64(s, 2));
    return true;
}

// Binds ?3 to ?5 of the statements that reach a directory's whole subtree.
static void BindSubtree(sqlite3_stmt* s, const std::string& dir, const std::string& prefix) {
    BindText(s, 3, dir);
    sqlite3_bind_int(s, 4, static_cast<int>(prefix.size()));
    BindText(s, 5, prefix);
}

bool FlashStore::LongestPathBelow(const StoreScope& scope, const std::string& dir,
                                  std::uint32_t* out) {
    const std::string prefix = dir + "/";
    Running s = For(scope).longest.Use();
    BindScope(s, scope);
    BindSubtree(s, dir, prefix);
    if (sqlite3_step(s) != SQLITE_ROW) return Fail("cannot read");
    *out = static_cast<std::uint32_t>(sqlite3_column_int64(s, 0));
    return true;
}

bool FlashStore::ReadChunk(const StoreScope& scope, std::int64_t id, std::uint64_t index,
                           std::vector<std::uint8_t>* out) {
    out->clear();
    Running s = For(scope).chunk.Use();
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_int64(s, 2, static_cast<std::int64_t>(index));
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, 0));
        const int n = sqlite3_column_bytes(s, 0);
        if (p != nullptr && n > 0) out->assign(p, p + n);
    }
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail("cannot read");
}

bool FlashStore::MakeDir(const StoreScope& scope, std::string_view parent, std::string_view name,
                         std::uint16_t mode, std::int64_t now) {
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    Running s = For(scope).insert.Use();
    BindScope(s, scope);
    BindText(s, 3, parent);
    BindText(s, 4, name);
    sqlite3_bind_int(s, 5, 1);
    sqlite3_bind_int(s, 6, mode);
    sqlite3_bind_int64(s, 7, now);
    sqlite3_bind_int64(s, 8, now);
    sqlite3_bind_int64(s, 9, 0);
    if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot create a directory");
    return t.Commit();
}

bool FlashStore::CommitFile(const StoreScope& scope, const FileCommit& commit) {
    Statements& st = For(scope);
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    std::int64_t id = commit.id;
    bool truncated = commit.truncated;
    if (id == 0) {
        // Another handle may have created the same file meanwhile: the later
        // close replaces its content, as it would have on the real target.
        StoredEntry existing;
        bool found = false;
        if (!Find(scope, commit.parent, commit.name, &existing, &found)) return false;
        if (found && existing.is_dir) {
            last_error_ = label_ + ": " + Join(commit.parent, commit.name) + " became a directory";
            return false;
        }
        if (found) {
            id = existing.id;
            truncated = true;
        } else {
            Running s = st.insert.Use();
            BindScope(s, scope);
            BindText(s, 3, commit.parent);
            BindText(s, 4, commit.name);
            sqlite3_bind_int(s, 5, 0);
            sqlite3_bind_int(s, 6, commit.mode);
            sqlite3_bind_int64(s, 7, commit.created);
            sqlite3_bind_int64(s, 8, commit.modified);
            sqlite3_bind_int64(s, 9, static_cast<std::int64_t>(commit.size));
            if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot create a file");
            id = sqlite3_last_insert_rowid(db_);
        }
    }
    {
        Running s = st.update_file.Use();
        sqlite3_bind_int64(s, 1, id);
        sqlite3_bind_int64(s, 2, commit.modified);
        sqlite3_bind_int64(s, 3, static_cast<std::int64_t>(commit.size));
        if (sqlite3_step(s) != SQLITE_DONE || sqlite3_changes(db_) != 1) {
            return Fail("cannot update a file");
        }
    }
    // Chunks past the new end, or all of them after a truncation.
    const std::uint64_t keep = truncated ? 0 : (commit.size + kChunkSize - 1) / kChunkSize;
    if (!st.DropChunks(id, keep)) return Fail("cannot write a file");
    if (commit.chunks != nullptr) {
        for (const auto& [index, blob] : *commit.chunks) {
            if (index * kChunkSize >= commit.size) {
                if (!Step(st.unmark, blob) || !Step(st.drop_blob, blob)) {
                    return Fail("cannot write a file");
                }
                continue;
            }
            // The chunk's earlier bytes, if any, give way to the new ones
            // (after a truncation there are none left).
            std::int64_t replaced = 0;
            if (keep > 0) {
                Running s = st.chunk_blob.Use();
                sqlite3_bind_int64(s, 1, id);
                sqlite3_bind_int64(s, 2, static_cast<std::int64_t>(index));
                const int rc = sqlite3_step(s);
                if (rc == SQLITE_ROW) replaced = sqlite3_column_int64(s, 0);
                if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail("cannot write a file");
            }
            if (replaced != 0 && !Step(st.drop_blob, replaced)) return Fail("cannot write a file");
            Running s = st.put_chunk.Use();
            sqlite3_bind_int64(s, 1, id);
            sqlite3_bind_int64(s, 2, static_cast<std::int64_t>(index));
            sqlite3_bind_int64(s, 3, blob);
            if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot write a file");
        }
        // Listed now, the blobs are no longer pending: one statement for all.
        if (!Step(st.unmark_listed, id)) return Fail("cannot write a file");
    }
    return t.Commit();
}

bool FlashStore::WritePending(const StoreScope& scope,
                              const std::vector<const std::vector<std::uint8_t>*>& chunks,
                              std::vector<std::int64_t>* blobs) {
    Statements& st = For(scope);
    blobs->clear();
    // Nothing lists the blobs yet, so they need not reach the disk now: the
    // commit that lists them makes them durable with everything before it.
    const bool relaxed = durable_ && !scope.ram;
    if (relaxed && !Step(main_->sync_off)) return Fail("cannot update");
    bool stored = false;
    {
        Transaction t(this, scope.ram);
        stored = t.ok();
        for (const std::vector<std::uint8_t>* bytes : chunks) {
            if (!stored) break;
            Running s = st.put_blob.Use();
            sqlite3_bind_blob(s, 1, bytes->empty() ? "" : static_cast<const void*>(bytes->data()),
                              static_cast<int>(bytes->size()), SQLITE_STATIC);
            stored = sqlite3_step(s) == SQLITE_DONE || Fail("cannot store written data");
            blobs->push_back(sqlite3_last_insert_rowid(db_));
        }
        // New rows are numbered on from the largest, so the blobs of one
        // transaction form a range, marked pending in one statement; should
        // the numbers ever leave gaps, each is marked on its own.
        const bool range =
            stored && !blobs->empty() &&
            blobs->back() - blobs->front() + 1 == static_cast<std::int64_t>(blobs->size());
        if (range) {
            Running m = st.mark_range.Use();
            sqlite3_bind_int64(m, 1, blobs->front());
            sqlite3_bind_int64(m, 2, blobs->back());
            sqlite3_bind_int64(m, 3, CurrentProcessId());
            stored = sqlite3_step(m) == SQLITE_DONE || Fail("cannot store written data");
        } else {
            for (std::size_t i = 0; stored && i < blobs->size(); ++i) {
                Running m = st.mark.Use();
                sqlite3_bind_int64(m, 1, (*blobs)[i]);
                sqlite3_bind_int64(m, 2, CurrentProcessId());
                stored = sqlite3_step(m) == SQLITE_DONE || Fail("cannot store written data");
            }
        }
        stored = stored && t.Commit(false);
    }
    if (relaxed && !Step(main_->sync_full)) return Fail("cannot update");
    return stored;
}

bool FlashStore::ReadPending(const StoreScope& scope, std::int64_t blob,
                             std::vector<std::uint8_t>* out) {
    out->clear();
    Running s = For(scope).blob.Use();
    sqlite3_bind_int64(s, 1, blob);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, 0));
        const int n = sqlite3_column_bytes(s, 0);
        if (p != nullptr && n > 0) out->assign(p, p + n);
    }
    return rc == SQLITE_ROW || Fail("cannot read written data");
}

bool FlashStore::DropPending(const StoreScope& scope, const std::vector<std::int64_t>& blobs) {
    if (blobs.empty()) return true;
    Statements& st = For(scope);
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    for (std::int64_t blob : blobs) {
        if (!Step(st.unmark, blob) || !Step(st.drop_blob, blob))
            return Fail("cannot drop written data");
    }
    return t.Commit(false);
}

bool FlashStore::Remove(const StoreScope& scope, std::int64_t id) {
    Statements& st = For(scope);
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    if (!st.DropChunks(id, 0)) return Fail("cannot remove");
    Running s = st.remove.Use();
    sqlite3_bind_int64(s, 1, id);
    if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot remove");
    return t.Commit();
}

bool FlashStore::SetMode(const StoreScope& scope, std::int64_t id, std::uint16_t mode) {
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    Running s = For(scope).set_mode.Use();
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_int(s, 2, mode);
    if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot change the mode");
    return t.Commit();
}

bool FlashStore::Move(const StoreScope& scope, const std::string& from_parent,
                      const std::string& from_name, const std::string& to_parent,
                      const std::string& to_name) {
    Statements& st = For(scope);
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    StoredEntry entry;
    bool found = false;
    if (!Find(scope, from_parent, from_name, &entry, &found)) return false;
    if (!found) {
        last_error_ = label_ + ": " + Join(from_parent, from_name) + " vanished";
        return false;
    }
    {
        Running s = st.move.Use();
        sqlite3_bind_int64(s, 1, entry.id);
        BindText(s, 2, to_parent);
        BindText(s, 3, to_name);
        if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot rename");
    }
    if (entry.is_dir) {
        // Everything below keeps its place relative to the directory.
        const std::string from = Join(from_parent, from_name);
        const std::string to = Join(to_parent, to_name);
        const std::string prefix = from + "/";
        std::vector<std::pair<std::int64_t, std::string>> moved;
        {
            Running s = st.subtree.Use();
            BindScope(s, scope);
            BindSubtree(s, from, prefix);
            int rc = SQLITE_ROW;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                moved.emplace_back(sqlite3_column_int64(s, 0),
                                   to + ColumnText(s, 1).substr(from.size()));
            }
            if (rc != SQLITE_DONE) return Fail("cannot rename");
        }
        for (const auto& [id, parent] : moved) {
            Running s = st.set_parent.Use();
            sqlite3_bind_int64(s, 1, id);
            BindText(s, 2, parent);
            if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot rename");
        }
    }
    return t.Commit();
}

bool FlashStore::Wipe(const StoreScope& scope) {
    Statements& st = For(scope);
    Transaction t(this, scope.ram);
    if (!t.ok()) return false;
    for (Stmt* stmt : {&st.wipe_blobs, &st.wipe_chunks, &st.wipe}) {
        Running s = stmt->Use();
        BindScope(s, scope);
        if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot format");
    }
    return t.Commit();
}

bool FlashStore::GetState(const std::string& key, std::int64_t* value, bool* found) {
    Running s = main_->get_state.Use();
    sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_STATIC);
    const int rc = sqlite3_step(s);
    *found = rc == SQLITE_ROW;
    if (*found) *value = sqlite3_column_int64(s, 0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail("cannot read the target state");
}

bool FlashStore::SetState(const std::string& key, std::int64_t value) {
    Running s = main_->set_state.Use();
    sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, value);
    if (sqlite3_step(s) != SQLITE_DONE) return Fail("cannot save the target state");
    ++generation_;
    return true;
}

}  // namespace quorvex::sim
