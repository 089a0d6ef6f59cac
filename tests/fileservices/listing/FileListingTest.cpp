// Directory listing against a scripted target: the command as sent, both
// packet layouts, packet streams, the target's error answers and bad packets.
#include <string>

#include "FlashFixture.h"

namespace {

using Names = std::vector<std::string>;

Names ListedNames(const CFdiFileList& list) {
    Names names;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        names.emplace_back(static_cast<LPCSTR>(list.GetNext(pos).m_strName));
    }
    return names;
}

Names Rows(const CFdiFileList& list) {
    Names rows;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        rows.push_back(Row(list.GetNext(pos)));
    return rows;
}

const char kTwoEntries[] = "a.txt@59279@313322@1500@0@b@0@0@0@16@";

class FileListingTest : public FlashOpsTest {
  protected:
    // Lists `pattern`; keeps the handed-out pointer.
    int List(const char* pattern = "*") { return flash_->GetFileList(list_, pattern); }
    Names Listed() const { return ListedNames(flash_->m_fileList); }
    // Leaves an earlier listing in the cache that a refresh must replace or keep.
    void SeedListing() {
        On("GetFileNameList")
            .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("old@0@0@0@0@", 1, 1));
        ASSERT_EQ(List(), 0);
        seen_.clear();
    }

    const CFdiFileList* list_ = reinterpret_cast<const CFdiFileList*>(1);
};

TEST_F(FileListingTest, SendsPatternWithZeroByteAndAwaitsEveryReportForm) {
    UseSide(0, "FDI6", "");
    On("GetFileNameList").Reply("FDI__Transport__F_NameList_Packet", NameListPacket("", 0, 1));
    ASSERT_EQ(List("/*"), 0);

    // The communication side asks for its root with the bare wildcard.
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(target_->CommandsNamed("GetFileNameList").at(0).data, PathBytes("*"));
    EXPECT_EQ(seen_[0].side, 0);
    EXPECT_EQ(seen_[0].timeoutMs, 5000u);
    EXPECT_EQ(seen_[0].replyName, "F_NameList_Packet");
    EXPECT_EQ(seen_[0].replyCapacity, 1028);
    EXPECT_EQ(
        seen_[0].expected,
        (Names{"FDI__Transport__F_NameList_Packet_RAM", "FDI__Transport__F_NameList_Packet",
               "FDI__Transport__F_Name_List_Error", "FDI__Transport__FName_LIST_NOTEXISTS_RAM",
               "FDI__TRANSPORT__FName_LIST_NOTEXISTS_RAM", "FDI__Transport__FName_LIST_NOTEXISTS",
               "FDI__TRANSPORT__FName_LIST_NOTEXISTS", "FDI__Transport__FName_LIST_Malloc_Error",
               "FDI__Transport__Find_Error"}));
    EXPECT_EQ(trace_->Writes(), (Names{"NVM: Get CP File List\n", "\t/*\n"}));

    // The prefix goes in front unless the pattern already holds it anywhere.
    UseSide(1, "FDI6", "/data/");
    trace_->Clear();
    On("GetFileNameList")
        .Sticky()
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("", 0, 1));
    ASSERT_EQ(List("/*"), 0);
    ASSERT_EQ(List("x//data/*"), 0);
    EXPECT_EQ(seen_.at(1).data, PathBytes("/data//*"));
    EXPECT_EQ(seen_.at(2).data, PathBytes("x//data/*"));
    EXPECT_EQ(trace_->Writes(), (Names{"NVM: Get AP File List\n", "/data/\t/*\n",
                                       "NVM: Get AP File List\n", "/data/\tx//data/*\n"}));
}

TEST_F(FileListingTest, PackedStampsOfOnePacketAreListedInReverse) {
    UseSide(1, "FDI5");
    SeedListing();
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket(kTwoEntries, 2, 1));
    ASSERT_EQ(List(), 0);
    ASSERT_EQ(list_, &flash_->m_fileList);
    EXPECT_EQ(flash_->m_bContentChanged, 0);
    // Sizes are shown in whole units.
    EXPECT_EQ(Rows(*list_), (Names{"b|00:00:00|00/00/00|||0|0 KB|16",
                                   "a.txt|14:30:15|04/12/2026|||1500|2 KB|0"}));
}

TEST_F(FileListingTest, WideStampsConvertAsUtcAndFallBackWhenTheyCannot) {
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet",
               NameListPacket(
                   std::string(kTwoEntries) + "n@-1@1796375107@ 42x@70000@m@1796375107@-7@-1@0@", 4,
                   1));
    ASSERT_EQ(List(), 0);
    // Numbers read like atoi: blanks skipped, digits up to the first other
    // character; only the low 16 bits of the attribute word (70000) are kept.
    EXPECT_EQ(Rows(*list_), (Names{"m|09:05:07|04/12/2026|09:05:07|04/12/2026|4294967295|4096 MB|0",
                                   "n|00:00:00|00/00/00|09:05:07|04/12/2026|42|42 bytes|4464",
                                   "b|00:00:00|01/01/1970|00:00:00|01/01/1970|0|0 KB|16",
                                   "a.txt|16:27:59|01/01/1970|15:02:02|04/01/1970|1500|2 KB|0"}));
}

TEST_F(FileListingTest, LaterPacketsAddToTheFirstAndAMissedPacketEndsTheList) {
    SeedListing();
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("a@0@0@0@0@b@0@0@0@0@", 2, 0))
        .Reply("FDI__Transport__F_NameList_Packet_RAM",
               NameListPacket("c@0@0@0@0@d@0@0@0@0@", 2, 1));
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{"d", "c", "b", "a"}));

    // Only one packet of an announced stream arrives: the list keeps it after
    // one further wait of 5000 ms.
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("e@0@0@0@0@", 1, 0));
    const std::uint64_t before = transport_->clock().now_ms();
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{"e"}));
    EXPECT_EQ(transport_->clock().now_ms() - before, 5000u);
}

TEST_F(FileListingTest, TargetErrorsEmptyTheListingAndNotExistsIsSuccess) {
    struct Case {
        const char* report;
        int result;
    };
    for (const Case& c : {Case{"FDI__Transport__Find_Error", 14},
                          Case{"FDI__Transport__FName_LIST_Malloc_Error", 14},
                          Case{"FDI__Transport__F_Name_List_Error", 14},
                          Case{"FDI__TRANSPORT__FName_LIST_NOTEXISTS", 0},
                          Case{"FDI__Transport__FName_LIST_NOTEXISTS", 0},
                          Case{"FDI__TRANSPORT__FName_LIST_NOTEXISTS_RAM", 0}}) {
        SCOPED_TRACE(c.report);
        SeedListing();
        // A report that carries a full packet is still not parsed.
        On("GetFileNameList").Reply(c.report, NameListPacket("x@0@0@0@0@", 1, 1));
        EXPECT_EQ(List(), c.result);
        EXPECT_TRUE(flash_->m_fileList.IsEmpty());
        EXPECT_EQ(list_, c.result == 0 ? &flash_->m_fileList : nullptr);
        EXPECT_EQ(flash_->m_bContentChanged, c.result == 0 ? 0 : 1);
    }

    // An error in the middle of a stream drops what came before it.
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("a@0@0@0@0@", 1, 0))
        .Reply("FDI__Transport__Find_Error");
    EXPECT_EQ(List(), 14);
    EXPECT_TRUE(flash_->m_fileList.IsEmpty());
}

TEST_F(FileListingTest, PacketsAreReadWithinTheirCountAndTextBounds) {
    // More entries than announced: the surplus stays unread.
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("a@0@0@0@0@b@0@0@0@0@", 1, 1));
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{"a"}));

    // Fewer entries than announced is fine.
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("a@0@0@0@0@b@0@0@0@0@", 3, 1));
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{"b", "a"}));

    // Text that fills all 1024 bytes ends there, even in an oversized report.
    const std::string longName(1024 - 9, 'n');
    Bytes full = NameListPacket(longName + "@0@0@0@0@", 2, 1);
    full.resize(2000, '@');
    On("GetFileNameList").Reply("FDI__Transport__F_NameList_Packet", full);
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{longName}));

    // A packet that ends right after its last-packet flag is whole.
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", Bytes(full.begin(), full.begin() + 1027));
    ASSERT_EQ(List(), 0);
    EXPECT_EQ(Listed(), (Names{longName}));
}

TEST_F(FileListingTest, MalformedPacketFailsAndEmptiesTheListing) {
    const Bytes whole = NameListPacket("a@0@0@0@0@", 1, 1);
    for (const Bytes& packet :
         {NameListPacket("a@0@0@0@0@b@1@2@", 2, 1), NameListPacket("a@0@0@0@0@b", 2, 1),
          NameListPacket(std::string(1024, 'x'), 2, 1),
          Bytes(whole.begin(), whole.begin() + 1026)}) {  // ends before its flag
        SCOPED_TRACE(std::string(packet.begin(), packet.begin() + 20));
        SeedListing();
        On("GetFileNameList").Reply("FDI__Transport__F_NameList_Packet", packet);
        EXPECT_EQ(List(), 14);
        EXPECT_EQ(list_, nullptr);
        EXPECT_TRUE(flash_->m_fileList.IsEmpty());
        EXPECT_EQ(flash_->m_bContentChanged, 1);
    }
}

TEST_F(FileListingTest, FailuresBeforeAnyReportLeaveTheListingAlone) {
    SeedListing();
    for (int type : {5, -1}) {
        flash_->m_nTargetType = static_cast<eTargetType>(type);
        trace_->Clear();
        EXPECT_EQ(List(), 6);
        EXPECT_EQ(list_, nullptr);
        EXPECT_EQ(trace_->Writes(), (Names{"NVM: Get File List, unknown target\n"}));
    }
    EXPECT_TRUE(seen_.empty());

    // No answer: the link's own code comes back unchanged.
    UseSide(1);
    EXPECT_EQ(List(), UE_LINK_TIMEOUT);
    EXPECT_EQ(list_, nullptr);
    EXPECT_EQ(Listed(), (Names{"old"}));

    // Not forced and nothing changed: no exchange, pointer untouched.
    flash_->m_bContentChanged = 0;
    const CFdiFileList* untouched = nullptr;
    seen_.clear();
    EXPECT_EQ(Access::RefreshFileList(*flash_, untouched, "*", false), 0);
    EXPECT_EQ(untouched, nullptr);
    EXPECT_TRUE(seen_.empty());
}

TEST_F(FileListingTest, ExistenceCheckOnlyShowsItsNotice) {
    boxes_.SetAnswer(IDCANCEL);
    EXPECT_EQ(gl_IsFileExistInFlash(), 0);
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "gl_IsFileExistInFlash() : BCG UI disabled in XNB.");
    EXPECT_EQ(boxes_.Boxes()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Quorvex");
    EXPECT_TRUE(target_->Commands().empty());
}

}  // namespace
