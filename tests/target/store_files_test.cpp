// The flash store's system backend: links refused, bytes read unaltered
// (no text-mode translation), and which writers count as gone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "StoreFiles.h"

namespace quorvex::sim {
namespace {

namespace fs = std::filesystem;

TEST(StoreFiles, ReadsFilesExactlyAndRefusesLinks) {
    const fs::path dir =
        fs::temp_directory_path() / ("quorvex_store_files_" + std::to_string(CurrentProcessId()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string bytes("a\r\nb\nc\x1a\0d", 9);  // what a text-mode read would alter
    std::ofstream(dir / "plain", std::ios::binary) << bytes;
    std::error_code linked;
    fs::create_symlink(dir / "plain", dir / "link", linked);

    const int fd = OpenForReading((dir / "plain").string());
    ASSERT_GE(fd, 0);
    char got[32];
    const auto n = ::read(fd, got, sizeof got);
    ::close(fd);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), bytes);
    EXPECT_FALSE(IsLinkedPath((dir / "plain").string()));
    EXPECT_FALSE(IsLinkedPath((dir / "missing").string()));

    errno = 0;
    EXPECT_EQ(OpenForReading((dir / "missing").string()), -1);
    EXPECT_EQ(errno, ENOENT);
    if (!linked) {  // creating links may need rights the test lacks
        EXPECT_TRUE(IsLinkedPath((dir / "link").string()));
        EXPECT_EQ(OpenForReading((dir / "link").string()), -1);
        EXPECT_EQ(errno, ELOOP);
    }
    fs::remove_all(dir);
}

TEST(StoreFiles, OnlyAProcessKnownToBeGoneLosesItsPendingData) {
    const struct {
        std::int64_t id;
        bool alive;
    } cases[] = {{CurrentProcessId(), true}, {0, false}, {-1, false}, {INT64_C(1) << 40, false}};
    for (const auto& c : cases) EXPECT_EQ(ProcessMayBeAlive(c.id), c.alive) << c.id;
}

}  // namespace
}  // namespace quorvex::sim
