// Copies the image database's write-ahead log back into the database on a
// thread of its own, so that a command waits only for its commit to reach the
// log, never for the copy.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

namespace quorvex::sim {

class WalCheckpointer {
  public:
    // Opens a second connection to the database at `path` (never through a
    // symbolic link) and starts the thread. nullptr with a reason on failure.
    static std::unique_ptr<WalCheckpointer> Start(const std::string& path, std::string* error);
    // Stops the thread and closes its connection; a copy under way finishes first.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // Installs itself as `db`'s log hook: after each commit, a log of more
    // than a few pages is copied back. `db` must outlive this object.
    void Watch(sqlite3* db);

  private:
    explicit WalCheckpointer(sqlite3* db);
    static int OnCommit(void* self, sqlite3* db, const char* schema, int pages);
    void Run();

    sqlite3* db_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvex::sim
