// CList, CStringList and CMap: ordering, POSITION walks and ownership.
#include "framework/collections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Forward(const CStringList& list) {
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos).GetString());
    return out;
}

std::vector<std::string> Backward(const CStringList& list) {
    std::vector<std::string> out;
    for (POSITION pos = list.GetTailPosition(); pos;) out.push_back(list.GetPrev(pos).GetString());
    return out;
}

using Names = std::vector<std::string>;

TEST(CStringListOrder, AddFindRemoveAndWalkBothWays) {
    CStringList list;
    list.AddTail("b");
    const POSITION c = list.AddTail("c");
    list.AddHead("a");
    EXPECT_EQ(Forward(list), (Names{"a", "b", "c"}));
    EXPECT_EQ(Backward(list), (Names{"c", "b", "a"}));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.Find("c"), c);
    EXPECT_EQ(list.Find("c", c), nullptr);
    EXPECT_EQ(list.Find("zz"), nullptr);
    list.RemoveAt(list.Find("b"));
    EXPECT_EQ(Forward(list), (Names{"a", "c"}));

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    // Elements with embedded NULs keep their whole length.
    list.AddTail(CString("a\0b", 3));
    EXPECT_EQ(list.GetHead().GetLength(), 3);
    EXPECT_NE(list.Find(CString("a")), list.GetHeadPosition());
}

TEST(CListWalk, PositionStaysValidWhileElementsAreAdded) {
    CList<int, int> list;
    for (int i = 0; i < 3; ++i) list.AddTail(i);
    std::vector<int> seen;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const int v = list.GetNext(pos);
        seen.push_back(v);
        if (v < 3) {
            list.AddHead(100 + v);  // before the walk: not visited
            list.AddTail(v + 3);    // after it: visited
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(list.GetCount(), 9);
    EXPECT_EQ(list.GetHead(), 102);
}

using Registry = CMap<CString, LPCSTR, int*, int*>;

TEST(CMapByName, LookupSetRemoveAreCaseSensitive) {
    Registry map;
    int gui = 1;
    int other = 2;
    int* found = nullptr;
    EXPECT_FALSE(map.Lookup("GUI Instance", found));
    EXPECT_FALSE(map.RemoveKey("GUI Instance"));

    map.SetAt("GUI Instance", &gui);
    map["gui instance"] = &other;
    map.SetAt("", &other);
    EXPECT_EQ(map.GetCount(), 3);
    ASSERT_TRUE(map.Lookup("GUI Instance", found));
    EXPECT_EQ(found, &gui);
    ASSERT_TRUE(map.Lookup("gui instance", found));
    EXPECT_EQ(found, &other);
    EXPECT_FALSE(map.Lookup("GUI Instance ", found));

    map.SetAt("GUI Instance", &other);  // replaces, does not add
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_EQ(map["GUI Instance"], &other);
    EXPECT_EQ(map["new"], nullptr);  // operator[] inserts a null value
    EXPECT_EQ(map.GetCount(), 4);

    EXPECT_TRUE(map.RemoveKey("GUI Instance"));
    EXPECT_FALSE(map.Lookup("GUI Instance", found));
    EXPECT_TRUE(map.Lookup("gui instance", found));
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

}  // namespace
