// The host's system backend: shell patterns as ls and rm take them, and new
// temporary files, alike on every system.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "PcSystem.h"

namespace quorvex::cli {
namespace {

namespace fs = std::filesystem;

TEST(PcSystem, NamePatternsMatchAsTheShellsDo) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*", "a.txt", true},       {"*", ".hidden", false},
        {".*", ".hidden", true},    {"?x", ".x", false},
        {"[.]x", ".x", false},      {"a.*", "a.", true},
        {"*.txt", "a.txt", true},   {"*.txt", "a.txt.bak", false},
        {"*.txt", "atxt", false},   {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYcZ", false}, {"a*", "a", true},
        {"a?c", "abc", true},       {"a?c", "ac", false},
        {"abc", "ABC", false},      {"", "", true},
        {"", "a", false},           {"a", "", false},
        {"[a-c]x", "bx", true},     {"[a-c]x", "dx", false},
        {"[!a-c]x", "dx", true},    {"[!a-c]x", "ax", false},
        {"[^a]x", "bx", true},      {"[]]x", "]x", true},
        {"[a-]x", "-x", true},      {"[a-]x", "bx", false},
        {"[ab", "[ab", true},       {"\\*x", "*x", true},
        {"\\*x", "ax", false},      {"[x\\]]", "]", true},
        {"[a-\\z]x", "mx", true},   {"*[0-9]", "log7", true},
        {"*[0-9]", "log", false},   {"**", "ab", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameMatches(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
    }
}

TEST(PcSystem, TemporaryFilesAndLinks) {
    // A folder of this run's own: other checkouts run the same test at the same time.
    const fs::path dir =
        fs::temp_directory_path() /
        ("quorvex_pc_system_test_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    // New, empty and unique, in the template's folder with its prefix.
    const std::string pattern = (dir / ".f.quorvex-XXXXXX").string();
    std::string first = pattern;
    std::string second = pattern;
    ASSERT_TRUE(CreateTemporaryFile(&first, (dir / "f").string()));
    ASSERT_TRUE(CreateTemporaryFile(&second, (dir / "f").string()));
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        EXPECT_EQ(name.substr(0, pattern.size() - 6), pattern.substr(0, pattern.size() - 6));
        EXPECT_NE(name.substr(pattern.size() - 6), "XXXXXX") << name;
        EXPECT_TRUE(fs::is_regular_file(name));
        EXPECT_EQ(fs::file_size(name), 0u);
    }
    std::string bad = (dir / "no-template").string();
    errno = 0;
    EXPECT_FALSE(CreateTemporaryFile(&bad, ""));
    EXPECT_EQ(errno, EINVAL);

    // A link resolves to its file; a name that is no link stays as it is.
    std::ofstream(dir / "file") << "x";
    const std::string file = fs::canonical(dir / "file").string();
    EXPECT_EQ(ResolveLink(file), file);
    EXPECT_EQ(ResolveLink((dir / "missing").string()), (dir / "missing").string());
    std::error_code no_links;
    fs::create_symlink(file, dir / "link", no_links);
    if (!no_links) {
        EXPECT_EQ(fs::path(ResolveLink((dir / "link").string())), fs::path(file));
    }
#if !defined(_WIN32)  // permission bits beyond read-only exist only here
    // A temporary file takes the mode of the file it stands in for.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    const mode_t mask = ::umask(022);
    std::string copy = (dir / "c-XXXXXX").string();
    std::string fresh = copy;
    ASSERT_TRUE(CreateTemporaryFile(&copy, file));
    ASSERT_TRUE(CreateTemporaryFile(&fresh, (dir / "missing").string()));
    EXPECT_EQ(::umask(mask), 022);  // left as it was
    EXPECT_EQ(fs::status(copy).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(fs::status(fresh).permissions(), static_cast<fs::perms>(0644));
#endif
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quorvex::cli
