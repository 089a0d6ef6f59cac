// The background copy of the write-ahead log into the image database.
#include "WalCheckpointer.h"

#include <sqlite3.h>

namespace quorvex::sim {
namespace {

// SQLite's own default threshold; below it a copy is not worth a wake-up.
constexpr int kPagesBeforeCopy = 1000;

}  // namespace

std::unique_ptr<WalCheckpointer> WalCheckpointer::Start(const std::string& path,
                                                        std::string* error) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        *error = "flash image " + path + ": cannot open for log copies: " + sqlite3_errmsg(db);
        sqlite3_close(db);
        return nullptr;
    }
    // The copy yields to commands: it never waits for a lock.
    std::unique_ptr<WalCheckpointer> checkpointer(new WalCheckpointer(db));
    checkpointer->thread_ = std::thread([c = checkpointer.get()] { c->Run(); });
    return checkpointer;
}

WalCheckpointer::WalCheckpointer(sqlite3* db) : db_(db) {}

WalCheckpointer::~WalCheckpointer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    sqlite3_close(db_);
}

void WalCheckpointer::Watch(sqlite3* db) {
    sqlite3_wal_autocheckpoint(db, 0);
    sqlite3_wal_hook(db, &WalCheckpointer::OnCommit, this);
}

int WalCheckpointer::OnCommit(void* self, sqlite3*, const char*, int pages) {
    if (pages >= kPagesBeforeCopy) {
        auto* checkpointer = static_cast<WalCheckpointer*>(self);
        {
            std::lock_guard<std::mutex> lock(checkpointer->mutex_);
            checkpointer->wanted_ = true;
        }
        checkpointer->wake_.notify_one();
    }
    return SQLITE_OK;
}

void WalCheckpointer::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || stopping_; });
        if (stopping_) return;
        wanted_ = false;
        lock.unlock();
        // A passive copy takes what no reader still needs and never blocks a
        // command; what it leaves is taken next time or when the image closes.
        sqlite3_wal_checkpoint_v2(db_, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
}

}  // namespace quorvex::sim
