// Size texts and path parts.
#include <gtest/gtest.h>

#include "quorvex/QuorvexManager.h"

namespace {

std::string Size(DWORD size, bool whole) {
    CString text;
    EXPECT_TRUE(CQuorvexManager::Instance()->FormatSizeText(size, text, whole));
    return static_cast<LPCSTR>(text);
}

TEST(SizeText, WholeNumberMode) {
    EXPECT_EQ(Size(0, true), "0 KB");
    EXPECT_EQ(Size(1, true), "1 bytes");
    EXPECT_EQ(Size(1023, true), "1023 bytes");
    EXPECT_EQ(Size(1024, true), "1 KB");
    EXPECT_EQ(Size(1126, true), "1 KB");
    EXPECT_EQ(Size(1127, true), "2 KB");
    EXPECT_EQ(Size(1048575, true), "1024 KB");
    EXPECT_EQ(Size(1048576, true), "1 MB");
    EXPECT_EQ(Size(1572864, true), "2 MB");
    EXPECT_EQ(Size(4294967295u, true), "4096 MB");
}

TEST(SizeText, FractionMode) {
    EXPECT_EQ(Size(0, false), "0 KB");
    EXPECT_EQ(Size(1536, false), "1.5 KB");
    EXPECT_EQ(Size(1048575, false), "1024.0 KB");
    EXPECT_EQ(Size(1048576, false), "1 MB");
    EXPECT_EQ(Size(1024, false), "1 KB");
}

TEST(PathParts, BackslashIsLookedForFirst) {
    CQuorvexManager* m = CQuorvexManager::Instance();
    EXPECT_EQ(m->GetFileNameFromPath("C:\\dir/x"), CString("dir/x"));
    EXPECT_EQ(m->GetFileNameFromPath("dfm/a.txt"), CString("a.txt"));
    EXPECT_EQ(m->GetFileNameFromPath("a.txt"), CString("a.txt"));
    EXPECT_EQ(m->GetFileNameFromPath("dir/"), CString(""));
    EXPECT_EQ(m->GetFirstPathPart("dfm/"), CString("dfm"));
    EXPECT_EQ(m->GetFirstPathPart("/RTOS/x"), CString(""));
    EXPECT_EQ(m->GetFirstPathPart("abc"), CString("abc"));
    EXPECT_EQ(m->GetFirstPathPart("a/b\\c"), CString("a/b"));
    const CString path("dfm/a.txt");
    m->GetFirstPathPart(path);
    EXPECT_EQ(path, CString("dfm/a.txt"));
}

}  // namespace
