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

TEST(CStringListOrder, InsertRemoveAndSearchByPosition) {
    CStringList list;
    list.AddTail("b");
    const POSITION d = list.AddTail("d");
    list.AddHead("a");
    list.InsertBefore(d, "c");
    list.InsertAfter(d, "e");
    list.InsertBefore(nullptr, "0");
    list.InsertAfter(nullptr, "f");
    EXPECT_EQ(Forward(list), (Names{"0", "a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(list.GetCount(), 7);
    EXPECT_EQ(list.GetHead(), "0");
    EXPECT_EQ(list.GetTail(), "f");

    EXPECT_EQ(list.Find("d"), d);
    EXPECT_EQ(list.Find("d", d), nullptr);
    EXPECT_EQ(list.Find("zz"), nullptr);
    EXPECT_EQ(list.FindIndex(4), d);
    EXPECT_EQ(list.FindIndex(7), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);

    list.SetAt(d, "D");
    list.RemoveAt(list.Find("0"));
    EXPECT_EQ(list.RemoveHead(), "a");
    EXPECT_EQ(list.RemoveTail(), "f");
    EXPECT_EQ(Forward(list), (Names{"b", "c", "D", "e"}));
    EXPECT_EQ(Backward(list), (Names{"e", "D", "c", "b"}));

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

// Records its destruction, to check that the list owns its copies.
struct Tracked {
    std::vector<int>* log;
    int id;
    Tracked(std::vector<int>* l, int i) : log(l), id(i) {}
    Tracked(const Tracked&) = default;
    Tracked& operator=(const Tracked&) = default;
    ~Tracked() {
        if (log) log->push_back(id);
    }
    bool operator==(const Tracked& o) const { return id == o.id; }
};

TEST(CListWalk, RemoveAllDestroysHeadToTail) {
    std::vector<int> log;
    {
        CList<Tracked, const Tracked&> list;
        for (int i = 1; i <= 3; ++i) {
            Tracked t(nullptr, i);
            list.AddHead(t);
        }
        for (POSITION pos = list.GetHeadPosition(); pos;) list.GetNext(pos).log = &log;
        list.RemoveAll();
        EXPECT_EQ(log, (std::vector<int>{3, 2, 1}));
        log.clear();
        Tracked t(nullptr, 9);
        list.AddTail(t);
        list.GetHead().log = &log;
    }
    EXPECT_EQ(log, (std::vector<int>{9}));  // the destructor empties the list too
}

TEST(CListWalk, AppendingAnotherListCopiesItInOrder) {
    CList<int, int> a;
    CList<int, int> b;
    a.AddTail(1);
    b.AddTail(2);
    b.AddTail(3);
    a.AddTail(&b);
    a.AddHead(&b);
    std::vector<int> seen;
    for (POSITION pos = a.GetHeadPosition(); pos;) seen.push_back(a.GetNext(pos));
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 1, 2, 3}));
    EXPECT_EQ(b.GetCount(), 2);
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

TEST(CMapByName, IterationVisitsEveryKeyOnceAndSurvivesRemovalOfVisited) {
    CMap<CString, LPCSTR, int, int> map;
    map.InitHashTable(3);  // few buckets: chains of several keys
    EXPECT_EQ(map.GetHashTableSize(), 3u);
    for (int i = 0; i < 20; ++i) {
        CString key;
        key.Format("k%d", i);
        map[key] = i;
    }
    map.InitHashTable(50);  // ignored once the map holds keys
    EXPECT_EQ(map.GetHashTableSize(), 3u);

    int sum = 0;
    int visits = 0;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key;
        int value = -1;
        map.GetNextAssoc(pos, key, value);
        EXPECT_EQ(key, CString("k") + std::to_string(value).c_str());
        EXPECT_TRUE(map.RemoveKey(key));  // removing the visited key keeps pos valid
        sum += value;
        ++visits;
    }
    EXPECT_EQ(visits, 20);
    EXPECT_EQ(sum, 190);
    EXPECT_TRUE(map.IsEmpty());
}

}  // namespace
