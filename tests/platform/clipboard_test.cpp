// Clipboard ownership, global memory and reading file-drop lists.
#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"

namespace {

// A file-drop block laid out the way the module builds one: header, names
// widened byte by byte, each ended by a zero unit, a final zero unit and
// three bytes of slack, from a zero-initialised movable block.
HGLOBAL WideDropList(const std::vector<std::string>& names) {
    std::size_t total = 0;
    for (const auto& name : names) total += name.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, 2 * total + 25);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    DROPFILES header{20, {0, 0}, FALSE, TRUE};
    std::memcpy(bytes, &header, sizeof header);
    std::size_t at = 20;
    for (const auto& name : names) {
        for (char c : name) {
            bytes[at] = static_cast<BYTE>(c);
            at += 2;
        }
        at += 2;
    }
    GlobalUnlock(block);
    return block;
}

HGLOBAL RawBlock(const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::vector<BYTE> Header(DWORD offset, BOOL wide) {
    std::vector<BYTE> bytes(20, 0);
    DROPFILES header{offset, {0, 0}, FALSE, wide};
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

std::string Name(HDROP drop, UINT index) {
    char buffer[260];
    UINT length = DragQueryFileA(drop, index, buffer, sizeof buffer);
    return std::string(buffer, length);
}

class ClipboardTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
    }
};

TEST_F(ClipboardTest, DropListRoundTripsThroughTheClipboard) {
    HGLOBAL block = WideDropList({"C:\\a.txt", "C:\\b"});
    EXPECT_EQ(GlobalSize(block), 53u);

    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_HDROP, block), block);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));

    EXPECT_EQ(GetClipboardData(CF_HDROP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));

    ASSERT_TRUE(OpenClipboard(nullptr));
    HDROP drop = GetClipboardData(CF_HDROP);
    ASSERT_EQ(drop, block);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(Name(drop, 0), "C:\\a.txt");
    EXPECT_EQ(Name(drop, 1), "C:\\b");
    EXPECT_EQ(DragQueryFileA(drop, 0, nullptr, 0), 8u);
    EXPECT_EQ(DragQueryFileA(drop, 2, nullptr, 0), 0u);

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(DragQueryFileA(drop, 0, small, sizeof small), 3u);
    EXPECT_STREQ(small, "C:\\");
    EXPECT_EQ(DragQueryFileA(drop, 0, small, 0), 0u);
    EXPECT_EQ(small[0], 'C');

    // The clipboard owns the block: nobody else frees it, emptying does.
    EXPECT_EQ(GlobalFree(block), block);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
    CloseClipboard();

    // Setting a format again frees the old item.
    HGLOBAL first = GlobalAlloc(GHND, 4);
    HGLOBAL second = GlobalAlloc(GHND, 8);
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(CF_TEXT, first);
    SetClipboardData(CF_TEXT, second);
    EXPECT_EQ(GlobalLock(first), nullptr);
    EXPECT_EQ(GetClipboardData(CF_TEXT), second);
    EXPECT_EQ(SetClipboardData(CF_TEXT, reinterpret_cast<HANDLE>(0x1234)), nullptr);
    CloseClipboard();
}

TEST_F(ClipboardTest, OnlyOneThreadHasItOpen) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    BOOL other_opened = TRUE;
    DWORD other_error = 0;
    std::thread([&] {
        other_opened = OpenClipboard(nullptr);
        other_error = GetLastError();
        EXPECT_FALSE(EmptyClipboard());
    }).join();
    EXPECT_FALSE(other_opened);
    EXPECT_EQ(other_error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
    std::thread([&] {
        other_opened = OpenClipboard(nullptr);
        CloseClipboard();
    }).join();
    EXPECT_TRUE(other_opened);
}

TEST(GlobalMemory, BlocksAreZeroedSizedAndLockCounted) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 13);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 13u);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(GlobalLock(block), bytes);
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalFree(block), block);

    HGLOBAL fixed = GlobalAlloc(GPTR, 4);
    EXPECT_EQ(GlobalLock(fixed), fixed);  // a fixed block is its own address
    GlobalUnlock(fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
}

TEST(DragQuery, NarrowListsAndNonLatinWideNames) {
    std::vector<BYTE> narrow = Header(20, FALSE);
    for (char c : std::string("/tmp/x\0/y\0\0", 11)) narrow.push_back(static_cast<BYTE>(c));
    HGLOBAL drop = RawBlock(narrow);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(Name(drop, 1), "/y");
    GlobalFree(drop);

    std::vector<BYTE> wide = Header(20, TRUE);
    for (WORD unit : {0x00E9, 0x20AC, 0xD83D, 0xDE00, 0x0000, 0x0000}) {
        wide.push_back(static_cast<BYTE>(unit & 0xFF));
        wide.push_back(static_cast<BYTE>(unit >> 8));
    }
    drop = RawBlock(wide);
    EXPECT_EQ(Name(drop, 0), "\xE9\xE2\x82\xAC\xF0\x9F\x98\x80");
    GlobalFree(drop);
}

TEST(DragQuery, MalformedBlocksAreReadWithinTheirBounds) {
    std::vector<BYTE> bad_offset = Header(400, TRUE);
    HGLOBAL drop = RawBlock(bad_offset);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(drop);

    std::vector<BYTE> inside_header = Header(4, FALSE);
    drop = RawBlock(inside_header);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(drop);

    // No terminator at all: the name that runs into the block's end still counts.
    std::vector<BYTE> unterminated = Header(20, FALSE);
    for (char c : std::string("/open-ended")) unterminated.push_back(static_cast<BYTE>(c));
    drop = RawBlock(unterminated);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 1u);
    EXPECT_EQ(Name(drop, 0), "/open-ended");
    GlobalFree(drop);

    drop = RawBlock({1, 2, 3});
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(drop);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
