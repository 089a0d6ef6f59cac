// Directories, attributes and searches on a scratch folder.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/errors.h"
#include "platform/sync.h"

namespace {

namespace fs = std::filesystem;
using quorvex::platform::MatchesWildcard;

class Files : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvx-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    void Touch(const std::string& name, std::size_t size = 0) {
        std::ofstream(root_ + "/" + name) << std::string(size, 'x');
    }
    // The names a search finds, in a set since directory order is unspecified.
    std::multiset<std::string> Search(const std::string& pattern) {
        std::multiset<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            names.insert(data.cFileName);
        } while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(find));
        return names;
    }

    std::string root_;
};

TEST_F(Files, WildcardsInTheLastComponentAndFailedSearchesSayWhy) {
    Touch("abc.txt", 5);
    Touch("abd.txt");
    Touch("abc.log");
    Touch("readme");
    fs::create_directory(root_ + "/sub");

    EXPECT_EQ(Search(root_ + "\\*.txt"), (std::multiset<std::string>{"abc.txt", "abd.txt"}));
    EXPECT_EQ(Search(root_ + "/ab?.*"),
              (std::multiset<std::string>{"abc.txt", "abd.txt", "abc.log"}));
    EXPECT_EQ(Search(root_ + "/*.*"), (std::multiset<std::string>{".", "..", "abc.txt", "abd.txt",
                                                                  "abc.log", "readme", "sub"}));
    EXPECT_EQ(Search(root_ + "/*b*c*"), (std::multiset<std::string>{"abc.txt", "abc.log"}));
    EXPECT_EQ(Search(root_ + "/ABC.txt"), (std::multiset<std::string>{}));

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root_ + "/abc.txt").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "abc.txt");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    FindClose(find);

    find = FindFirstFileA((root_ + "/su?").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(FindFirstFileA((root_ + "/*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((root_ + "/gone/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, TrailingSeparatorNeverFindsTheFolderSoCheckThenCreateWorks) {
    std::string temp = root_ + "\\Temp\\";
    WIN32_FIND_DATAA data;
    for (int round = 0; round < 2; ++round) {
        // Whether or not the folder is there, the search finds nothing, and
        // creating it either succeeds or reports that it already exists.
        EXPECT_EQ(FindFirstFileA(temp.c_str(), &data), INVALID_HANDLE_VALUE);
        BOOL created = CreateDirectoryA(temp.c_str(), nullptr);
        EXPECT_TRUE(created || GetLastError() == static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        EXPECT_TRUE(fs::is_directory(root_ + "/Temp"));
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST(Wildcards, MatchLikeTheNativeSearch) {
    EXPECT_TRUE(MatchesWildcard("*", ""));
    EXPECT_TRUE(MatchesWildcard("*ab", "aab"));  // needs back-tracking
    EXPECT_TRUE(MatchesWildcard("a*b*c", "a-b-b-c"));
    EXPECT_FALSE(MatchesWildcard("a*b*c", "a-b-b-"));
    EXPECT_TRUE(MatchesWildcard("?", "x"));
    EXPECT_FALSE(MatchesWildcard("?", ""));
    EXPECT_FALSE(MatchesWildcard("??", "x"));
    EXPECT_TRUE(MatchesWildcard("*.*", "noextension"));
    EXPECT_FALSE(MatchesWildcard("*.txt", "a.txt.bak"));
    EXPECT_EQ(quorvex::platform::NativePath("C:\\a\\\\b/c"), "C:/a//b/c");
}

}  // namespace
