// The simulated target's flash image: what survives a restart or a killed
// process, what is refused at open, what looking at it does to it, how a
// change that cannot be kept is answered, and the store's system backend.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "FlashStore.h"
#include "StoreFiles.h"
#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

namespace fs = std::filesystem;

Bytes FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Persistence : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quorvex_target_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        target_.config.image_dir = dir_.string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Refusal() {
        std::string error;
        EXPECT_EQ(Simulator::Create(target_.config, &error), nullptr);
        return error;
    }
    fs::path Database() const { return dir_ / FlashStore::kDatabaseName; }
    // Runs `sql` on the image from outside the simulator.
    int Sql(const char* sql) {
        sqlite3* db = nullptr;
        int rc = sqlite3_open(Database().c_str(), &db);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc;
    }
    // The number a count query on the image gives, -1 when it fails.
    std::int64_t Count(const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_stmt* s = nullptr;
        std::int64_t n = -1;
        if (sqlite3_open(Database().c_str(), &db) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            n = sqlite3_column_int64(s, 0);
        }
        sqlite3_finalize(s);
        sqlite3_close(db);
        return n;
    }

    fs::path dir_;
    TestTarget target_;
};

// Version v of file i: its size and every byte tell which version it is.
Bytes Version(int i, int v) {
    return Bytes(static_cast<std::size_t>(1000 + 700 * v + i),
                 static_cast<std::uint8_t>(16 * i + v));
}

TEST_F(Persistence, FlashAndClockSurviveARestartExceptRamVolumesAndOpenWrites) {
    {
        Harness h(target_.config);
        ASSERT_EQ(h.MakeDir(0, "logs", 0700).name, "mkdir_Success");
        ASSERT_TRUE(h.Put(0, "logs/a.log", Text("cp data")));
        ASSERT_TRUE(h.Put(0, "rfm/tmp", Text("gone")));
        ASSERT_TRUE(h.Put(1, "b.bin", Bytes(3000, 0xAB)));
        ASSERT_EQ(h.ChangeMode(1, "b.bin", 0444), "F_ChangeMode_Success");
        ASSERT_EQ(h.Name(1, "Diag__Utils__SetRTC", Rtc(2030, 1, 2, 3, 4, 5)), "SetRTC_Success");
        ASSERT_TRUE(h.Put(1, "kept", Text("old")));
        // Left open: a rewrite of an old file and a new file, neither committed.
        const std::int32_t rewrite = h.Open(1, "kept", "wb+");
        ASSERT_TRUE(h.WriteAll(1, rewrite, Text("new content")));
        ASSERT_TRUE(h.WriteAll(1, h.Open(1, "fresh", "wb+"), Text("x")));
        EXPECT_EQ(h.Get(1, "kept"), Text("old"));  // other handles see the old content
        EXPECT_EQ(h.sim().persist_error(), "");
    }
    Harness h(target_.config);
    EXPECT_EQ(h.Get(0, "logs/a.log"), Text("cp data"));
    EXPECT_EQ(h.Mode(0, "logs"), 0x4000u | 0700);
    EXPECT_EQ(h.Get(1, "b.bin"), Bytes(3000, 0xAB));
    EXPECT_EQ(h.Remove(1, "b.bin"), "Remove_Error");
    EXPECT_EQ(h.Free(1, "mfm"), 64 * 1024 - 3000 - 3);
    EXPECT_EQ(h.Get(0, "rfm/tmp"), Text("<missing>"));
    EXPECT_EQ(h.Get(1, "kept"), Text("old"));
    EXPECT_EQ(h.Get(1, "fresh"), Text("<missing>"));
    // The clock kept running from 2030-01-02T03:04:05 (1893553445) on the test clock.
    ASSERT_TRUE(h.Put(1, "stamp", {}));
    const auto listing = h.One(1, "GetFileNameList", Path("stamp"));
    EXPECT_EQ(std::string(listing.data.begin(), listing.data.begin() + 30),
              "stamp@1893553445@1893553445@0@");
}

TEST_F(Persistence, KilledWriterLeavesEveryFileOldOrNew) {
    constexpr int kFiles = 4;
    target_.config.durable = false;  // a killed process loses nothing either way
    {
        Harness h(target_.config);
        for (int i = 0; i < kFiles; ++i)
            ASSERT_TRUE(h.Put(1, "f" + std::to_string(i), Version(i, 0)));
    }
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Harness h(target_.config);
            for (int v = 1;; ++v) {
                for (int i = 0; i < kFiles; ++i)
                    h.Put(1, "f" + std::to_string(i), Version(i, v % 8));
            }
        }
        ::usleep(20000 + random() % 60000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        Harness h(target_.config);
        for (int i = 0; i < kFiles; ++i) {
            const Bytes got = h.Get(1, "f" + std::to_string(i));
            bool whole = false;
            for (int v = 0; v < 8; ++v) whole = whole || got == Version(i, v);
            EXPECT_TRUE(whole) << "file " << i << " after round " << round << ": " << got.size();
        }
    }
    // What the killed writers stored but never committed is gone once reopened.
    EXPECT_EQ(Count("SELECT count(*) FROM blobs WHERE id NOT IN (SELECT blob FROM chunks)"), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM pending"), 0);
}

TEST_F(Persistence, FailedCommitIsAnsweredLoggedAndLosesNothing) {
    std::vector<std::string> logged;
    target_.config.log = [&](const std::string& line) { logged.push_back(line); };
    Harness h(target_.config);
    ASSERT_TRUE(h.Put(0, "f", Text("committed")));
    const std::int32_t id = h.Open(0, "f", "wb+");
    ASSERT_TRUE(h.WriteAll(0, id, Text("lost")));

    // Another process holds the image locked.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Database().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(h.Close(0, id), "F_Close_Error");
    EXPECT_EQ(h.MakeDir(0, "d").data, Bytes({':', ' ', '5', 0}));  // EIO
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_NE(logged[0].find("flash.db: cannot start a change: database is locked"),
              std::string::npos)
        << logged[0];
    EXPECT_EQ(h.sim().persist_error(), logged[1]);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(h.Get(0, "f"), Text("committed"));
    EXPECT_EQ(h.Free(0, "dfm"), 64 * 1024 - 9);
    EXPECT_EQ(h.sim().open_files(0), 0u);
    ASSERT_TRUE(h.Put(0, "f", Text("again")));
    EXPECT_EQ(Harness(target_.config).Get(0, "f"), Text("again"));
}

TEST_F(Persistence, LinksForeignAndDamagedImagesAreRefusedUntouched) {
    fs::create_directories(dir_);
    const fs::path outside = dir_.string() + "_outside";
    { std::ofstream(outside) << "not yours"; }
    const fs::path db = Database();
    for (const char* planted : {"flash.db", "flash.db-wal"}) {
        fs::create_symlink(outside, dir_ / planted);
        EXPECT_NE(Refusal().find("symbolic link"), std::string::npos) << planted;
        fs::remove(dir_ / planted);
    }
    EXPECT_EQ(FileBytes(outside), Text("not yours"));
    fs::remove(outside);

    { std::ofstream(db) << std::string(4096, 'Z'); }
    EXPECT_NE(Refusal().find("flash.db: cannot read (damaged or not a flash image)"),
              std::string::npos);
    EXPECT_EQ(fs::file_size(db), 4096u);
    fs::remove(db);

    ASSERT_EQ(Sql("CREATE TABLE t(x)"), SQLITE_OK);
    EXPECT_NE(Refusal().find("not a flash image of this simulator"), std::string::npos);
}

TEST_F(Persistence, FirstDatabaseLayoutIsUpgraded) {
    fs::create_directories(dir_);
    ASSERT_EQ(Sql("PRAGMA application_id = 1364739667; PRAGMA user_version = 1;"
                  "CREATE TABLE entries(id INTEGER PRIMARY KEY, core INTEGER, volume BLOB,"
                  " parent BLOB, name BLOB, is_dir INTEGER, mode INTEGER, created INTEGER,"
                  " modified INTEGER, size INTEGER, UNIQUE(core, volume, parent, name));"
                  "CREATE TABLE chunks(entry INTEGER, idx INTEGER, data BLOB,"
                  " PRIMARY KEY(entry, idx));"
                  "CREATE TABLE state(key TEXT PRIMARY KEY, value INTEGER);"
                  "INSERT INTO entries VALUES(7, 1, x'6d666d', x'', x'66', 0, 420, 1, 2, 5);"
                  "INSERT INTO chunks VALUES(7, 0, x'68656c6c6f');"),
              SQLITE_OK);
    EXPECT_EQ(Harness(target_.config).Get(1, "f"), Text("hello"));
    EXPECT_EQ(Harness(target_.config).Get(1, "f"), Text("hello"));
}

TEST_F(Persistence, ImagesBeyondTheCoreLimitsAreRefused) {
    {
        Harness h(target_.config);
        ASSERT_TRUE(h.Put(1, "twelve_chars", Bytes(5000, 1)));
        ASSERT_EQ(h.MakeDir(1, "d").name, "mkdir_Success");
    }
    const struct {
        void (*limit)(CoreConfig&);
        const char* says;
    } cases[] = {
        {[](CoreConfig& c) { c.max_entries = 1; },
         "AP volume mfm holds 2 entries, more than the 1"},
        {[](CoreConfig& c) { c.volumes[0].capacity = 4999; },
         "holds 5000 bytes, more than its capacity of 4999"},
        {[](CoreConfig& c) { c.max_file_name_len = 11; }, "a name of 12 bytes, longer than the 11"},
    };
    for (const auto& c : cases) {
        TestTarget t;
        t.config.image_dir = target_.config.image_dir;
        c.limit(t.config.ap);
        std::string error;
        EXPECT_EQ(Simulator::Create(t.config, &error), nullptr);
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

// The earlier image layout, written as the previous release wrote it.
Bytes OldImage() {
    Bytes b = Text("QXFI");
    PutLe(b, 1, 4);  // version
    PutLe(b, 1, 4);  // one volume
    const auto name = [&](std::string_view n) {
        PutLe(b, n.size(), 2);
        b = Concat(b, Text(n));
    };
    const auto node = [&](bool dir, std::uint16_t mode, std::uint32_t count) {
        b.push_back(dir ? 1 : 0);
        PutLe(b, mode, 2);
        PutLe(b, 1700000000, 8);
        PutLe(b, 1700000001, 8);
        PutLe(b, count, 4);
    };
    name("dfm");
    node(true, 0755, 1);
    name("sub");
    node(true, 0700, 1);
    name("f");
    node(false, 0444, 3);
    b = Concat(b, Text("old"));
    PutLe(b, crc32(0, b.data(), static_cast<uInt>(b.size())), 4);
    return b;
}

TEST_F(Persistence, OldImageIsConvertedOnceAndKeptAsBackup) {
    fs::create_directories(dir_);
    const Bytes old = OldImage();
    std::ofstream(dir_ / "cp.qxi", std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size()));
    {
        Harness h(target_.config);
        EXPECT_EQ(h.Get(0, "sub/f"), Text("old"));
        EXPECT_EQ(h.Mode(0, "sub/f"), 0444u);
        ASSERT_EQ(h.ChangeMode(0, "sub/f", 0644), "F_ChangeMode_Success");
        ASSERT_EQ(h.Remove(0, "sub/f"), "Remove_Success");
    }
    EXPECT_FALSE(fs::exists(dir_ / "cp.qxi"));
    EXPECT_EQ(fs::file_size(dir_ / "cp.qxi.bak"), old.size());
    fs::copy_file(dir_ / "cp.qxi.bak", dir_ / "cp.qxi");  // never read again
    EXPECT_EQ(Harness(target_.config).Get(0, "sub/f"), Text("<missing>"));

    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "ap.qxi") << "QXFI damaged";
    EXPECT_NE(Refusal().find("cannot convert " + (dir_ / "ap.qxi").string() + ": "),
              std::string::npos);
}

TEST_F(Persistence, RunsThatOnlyLookLeaveTheImageByteForByte) {
    ASSERT_TRUE(Harness(target_.config).Put(0, "a.txt", Text("kept")));
    const Bytes before = FileBytes(Database());
    ASSERT_FALSE(before.empty());
    const struct {
        const char* command;
        Bytes data;
        const char* answer;
    } looks[] = {
        {"GetFdiVersion", {}, "FDI6"},
        {"FStatus", Path("a.txt"), "F_Status_Success"},
        {"FStatus", Path("rfm/none"), "F_Status_Error"},  // a RAM volume
    };
    for (const auto& look : looks) {
        {
            Harness h(target_.config);
            EXPECT_EQ(h.Name(0, look.command, look.data), look.answer);
            EXPECT_EQ(h.Get(0, "a.txt"), Text("kept"));
        }
        EXPECT_EQ(FileBytes(Database()), before) << look.command;
    }
}

TEST_F(Persistence, AnImageMissingATableIsRefusedAtOpen) {
    { Harness h(target_.config); }
    EXPECT_EQ(Sql("DROP TABLE chunks"), SQLITE_OK);
    EXPECT_NE(Refusal().find("tables of the image are missing"), std::string::npos);
}

// The store's system backend reads bytes unaltered (no text-mode
// translation) and refuses links.
TEST_F(Persistence, StoreFilesAreReadExactlyAndLinksRefused) {
    fs::create_directories(dir_);
    const std::string plain = (dir_ / "plain").string(), link = (dir_ / "link").string();
    const std::string bytes("a\r\nb\nc\x1a\0d", 9);  // what a text-mode read would alter
    std::ofstream(plain, std::ios::binary) << bytes;
    std::error_code linked;
    fs::create_symlink(plain, link, linked);

    const int fd = OpenForReading(plain);
    ASSERT_GE(fd, 0);
    char got[32];
    const auto n = ::read(fd, got, sizeof got);
    ::close(fd);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), bytes);
    EXPECT_FALSE(IsLinkedPath(plain));
    EXPECT_FALSE(IsLinkedPath((dir_ / "missing").string()));

    errno = 0;
    EXPECT_EQ(OpenForReading((dir_ / "missing").string()), -1);
    EXPECT_EQ(errno, ENOENT);
    if (!linked) {  // creating links may need rights the test lacks
        EXPECT_TRUE(IsLinkedPath(link));
        EXPECT_EQ(OpenForReading(link), -1);
        EXPECT_EQ(errno, ELOOP);
    }
}

// Only a writer known to be gone loses its pending data.
TEST(StoreFiles, OnlyAProcessKnownToBeGoneCountsAsGone) {
    const struct {
        std::int64_t id;
        bool alive;
    } cases[] = {{CurrentProcessId(), true}, {0, false}, {-1, false}, {INT64_C(1) << 40, false}};
    for (const auto& c : cases) EXPECT_EQ(ProcessMayBeAlive(c.id), c.alive) << c.id;
}

}  // namespace
}  // namespace quorvex::sim::testing
