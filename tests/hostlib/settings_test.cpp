// The host folder and the INI settings store.

#include <filesystem>
#include <thread>
#include <vector>

#include "host_home.h"
#include "hostlib/hostpaths.h"
#include "platform/fileio.h"

namespace {

using Settings = ScratchHome;

std::vector<std::string> Strings(const std::vector<CString>& values) {
    std::vector<std::string> result;
    for (const auto& value : values) result.emplace_back(static_cast<LPCSTR>(value));
    return result;
}

TEST_F(Settings, MissingEntriesReadAsDefaultAndWritesKeepEverythingElseInPlace) {
    CHostPaths* paths = GetHostPaths();
    EXPECT_EQ(paths->ReadSettingInt("Quorvex Settings", "Verify", 7), 7);
    WriteFile("settings.ini", "[Quorvex Settings]\nVerify=1\n");
    EXPECT_EQ(paths->ReadSettingInt("Quorvex Settings", "Other", -3), -3);
    EXPECT_EQ(paths->ReadSettingInt("Other Section", "Verify", 9), 9);
    EXPECT_EQ(paths->ReadSettingInt("quorvex settings", "VERIFY", 9), 1);
    EXPECT_EQ(std::string(paths->ReadSettingString("Quorvex Settings", "Gone", "dflt")), "dflt");

    WriteFile("settings.ini",
              "; hand-written\n"
              "[First]\n"
              "a = 1\n"
              "b=2\n"
              "\n"
              "[Second]\n"
              "c=3\n");
    paths->WriteSettingInt("First", "B", 20);
    paths->WriteSettingInt("First", "new", 5);
    paths->WriteSettingInt("Third", "d", -4);
    EXPECT_EQ(ReadFile("settings.ini"),
              "; hand-written\n"
              "[First]\n"
              "a = 1\n"
              "b=20\n"
              "new=5\n"
              "\n"
              "[Second]\n"
              "c=3\n"
              "\n"
              "[Third]\n"
              "d=-4\n");
    EXPECT_EQ(paths->ReadSettingInt("First", "b", 0), 20);
    EXPECT_EQ(paths->ReadSettingInt("Third", "d", 0), -4);
    EXPECT_EQ(Strings(paths->GetSettingKeys("first")), (std::vector<std::string>{"a", "b", "new"}));
    EXPECT_EQ(Strings(paths->GetSettingSections()),
              (std::vector<std::string>{"First", "Second", "Third"}));
}

TEST_F(Settings, RewriteReplacesTheFileAndLeavesNoTemporaries) {
    CHostPaths* paths = GetHostPaths();
    paths->WriteSettingInt("Quorvex Settings", "Verify", 1);
    quorvex::platform::FileKey before;
    ASSERT_TRUE(quorvex::platform::FileKeyOfPath(home_ + "/settings.ini", &before));
    paths->WriteSettingInt("Quorvex Settings", "Verify", 0);
    EXPECT_EQ(ReadFile("settings.ini"), "[Quorvex Settings]\nVerify=0\n");
    quorvex::platform::FileKey after;
    ASSERT_TRUE(quorvex::platform::FileKeyOfPath(home_ + "/settings.ini", &after));
    // A new file was renamed over the old one: a reader holding the old file
    // still sees it whole.
    EXPECT_FALSE(before == after);
    const auto entries = std::distance(std::filesystem::directory_iterator(home_),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1);
}

TEST_F(Settings, GarbageLinesAreToleratedAndKept) {
    std::string garbage =
        "\x01\x02 binary junk\n"
        "[unterminated section\n"
        "=no key\n"
        "just words\r\n"
        "[Good]\r\n"
        "  spaced key  =  42 trailing  \r\n"
        "number=12abc\n"
        "notnumber=abc\n"
        "huge=99999999999999999999\n"
        "quoted=\"  padded  \"\n"
        "[]\n"
        "[Good]\n"
        "later=1\n";
    WriteFile("settings.ini", garbage);
    CHostPaths* paths = GetHostPaths();
    EXPECT_EQ(paths->ReadSettingInt("Good", "spaced key", 0), 42);
    EXPECT_EQ(paths->ReadSettingInt("Good", "number", 0), 12);
    EXPECT_EQ(paths->ReadSettingInt("Good", "notnumber", -1), -1);
    EXPECT_EQ(paths->ReadSettingInt("Good", "huge", -1), -1);
    EXPECT_EQ(std::string(paths->ReadSettingString("Good", "quoted", "")), "  padded  ");
    // Of two sections with one name, the first counts.
    EXPECT_EQ(paths->ReadSettingInt("Good", "later", -1), -1);

    paths->WriteSettingInt("Good", "number", 13);
    std::string rewritten = ReadFile("settings.ini");
    EXPECT_NE(rewritten.find("\x01\x02 binary junk\n[unterminated section\n=no key\njust words\n"),
              std::string::npos);
    EXPECT_NE(rewritten.find("number=13\n"), std::string::npos);
    EXPECT_EQ(paths->ReadSettingInt("Good", "spaced key", 0), 42);
}

TEST_F(Settings, UnstorableNamesAndValuesAreRefused) {
    CHostPaths* paths = GetHostPaths();
    EXPECT_FALSE(paths->WriteSettingString("S", "a=b", "1"));
    EXPECT_FALSE(paths->WriteSettingString("S]", "k", "1"));
    EXPECT_FALSE(paths->WriteSettingString("S", "k", "two\nlines"));
    EXPECT_FALSE(paths->WriteSettingString("S", "", "1"));
    EXPECT_FALSE(paths->WriteSettingString("S", ";k", "1"));
    EXPECT_FALSE(std::filesystem::exists(home_ + "/settings.ini"));
    EXPECT_TRUE(paths->WriteSettingString("S", "k", "has = sign"));
    EXPECT_EQ(std::string(paths->ReadSettingString("S", "k", "")), "has = sign");
}

TEST_F(Settings, ConcurrentWritersLoseNoKey) {
    CHostPaths* paths = GetHostPaths();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([paths, t] {
            for (int i = 0; i < 10; ++i) {
                paths->WriteSettingInt("Load", ("k" + std::to_string(t * 10 + i)).c_str(), i);
            }
        });
    }
    for (auto& writer : writers) writer.join();
    EXPECT_EQ(paths->GetSettingKeys("Load").size(), 40u);
    EXPECT_EQ(paths->ReadSettingInt("Load", "k39", -1), 9);
}

}  // namespace
