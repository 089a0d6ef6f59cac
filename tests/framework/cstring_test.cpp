// CString: embedded NULs, search and the clamping of positions.
#include "framework/cstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CStringNul, AppendedCharsKeepEmbeddedNulsAndLength) {
    CString s;
    const char bytes[] = {'v', 'o', 'l', '\0', 'A', '\0', '\0', 'x', 'y', '\0'};
    for (char c : bytes) s += c;
    EXPECT_EQ(s.GetLength(), 10);
    EXPECT_EQ(std::memcmp(s.GetString(), bytes, 10), 0);
    // The C view stops at the first NUL.
    EXPECT_STREQ(static_cast<LPCSTR>(s), "vol");
    EXPECT_EQ(s.GetAt(4), 'A');
    EXPECT_EQ(s.Find('x'), 7);
}

TEST(CStringNul, ConstructionAndConcatenation) {
    EXPECT_TRUE(CString(static_cast<LPCSTR>(nullptr)).IsEmpty());
    EXPECT_TRUE(CString("abc", -1).IsEmpty());
    EXPECT_TRUE(CString('x', 0).IsEmpty());
    EXPECT_EQ(CString('=', 3), "===");
    CString s("keep");
    s += static_cast<LPCSTR>(nullptr);
    EXPECT_EQ(s, "keep");

    const CString a("a");
    EXPECT_EQ(a + CString("b"), "ab");
    EXPECT_EQ(a + "c", "ac");
    EXPECT_EQ("d" + a, "da");
    EXPECT_EQ(a + 'e', "ae");
    EXPECT_EQ('f' + a, "fa");
    const CString nul = a + '\0';
    EXPECT_EQ(nul.GetLength(), 2);
}

TEST(CStringSearch, FindAndReverseFindBounds) {
    const CString s("dfm/dir/a.txt");
    EXPECT_EQ(s.Find('/'), 3);
    EXPECT_EQ(s.Find('/', 4), 7);
    EXPECT_EQ(s.Find('/', 8), -1);
    EXPECT_EQ(s.Find('/', -1), -1);
    EXPECT_EQ(s.Find('d', 100), -1);
    EXPECT_EQ(s.ReverseFind('/'), 7);
    EXPECT_EQ(s.ReverseFind('\\'), -1);
    EXPECT_EQ(s.Find("dir"), 4);
    EXPECT_EQ(s.Find("dir", 5), -1);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find("", s.GetLength()), s.GetLength());
    EXPECT_EQ(s.Find("x", s.GetLength() + 1), -1);
    EXPECT_EQ(s.Find(static_cast<LPCSTR>(nullptr)), -1);
    EXPECT_EQ(CString().ReverseFind('a'), -1);
}

TEST(CStringSearch, ExtractionClampsToTheString) {
    const CString s("abcdef");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(4, 100), "ef");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(6), "");
    EXPECT_EQ(s.Mid(99), "");
    EXPECT_EQ(s.Mid(1, -5), "");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(3), "abc");
    EXPECT_EQ(s.Left(60), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(60), "abcdef");
    EXPECT_EQ(s.Right(-2), "");
    EXPECT_EQ(s.GetAt(6), '\0');
    EXPECT_EQ(s[-1], '\0');
}

}  // namespace
