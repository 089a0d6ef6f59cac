// Reading file-drop lists: both name widths and blocks that lie about their layout.
#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace {

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
