// Reading file-drop lists: both name widths and blocks that lie about their layout.
#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A drop block: the header with the names' offset and width, then `names`.
std::vector<BYTE> Block(DWORD offset, BOOL wide, const std::string& names) {
    std::vector<BYTE> bytes(20 + names.size(), 0);
    DROPFILES header{offset, {0, 0}, FALSE, wide};
    std::memcpy(bytes.data(), &header, sizeof header);
    std::copy(names.begin(), names.end(), bytes.begin() + 20);
    return bytes;
}

std::string Name(HDROP drop, UINT index) {
    char buffer[260];
    UINT length = DragQueryFileA(drop, index, buffer, sizeof buffer);
    return std::string(buffer, length);
}

TEST(DragQuery, BothNameWidthsAreReadAndBlocksThatLieWithinTheirBounds) {
    // UTF-16LE units: e-acute, the euro sign and a surrogate pair.
    const std::string wide("\xE9\0\xAC\x20\x3D\xD8\x00\xDE\0\0\0\0", 12);
    const struct {
        std::vector<BYTE> block;
        UINT count, index;
        std::string name;
    } cases[] = {
        {Block(20, FALSE, std::string("/tmp/x\0/y\0\0", 11)), 2, 1, "/y"},
        {Block(20, TRUE, wide), 1, 0, "\xE9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {Block(400, TRUE, ""), 0, 0, ""},  // names beyond the block
        {Block(4, FALSE, ""), 0, 0, ""},   // names inside the header
        // No terminator at all: the name that runs into the block's end still counts.
        {Block(20, FALSE, "/open-ended"), 1, 0, "/open-ended"},
        {{1, 2, 3}, 0, 0, ""},
    };
    for (const auto& c : cases) {
        HGLOBAL drop = RawBlock(c.block);
        EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), c.count) << c.name;
        EXPECT_EQ(Name(drop, c.index), c.name);
        GlobalFree(drop);
    }
    HGLOBAL freed = RawBlock({1, 2, 3});
    GlobalFree(freed);
    EXPECT_EQ(DragQueryFileA(freed, 0xFFFFFFFF, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
