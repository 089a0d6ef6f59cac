// Progress messages and the timer of a file removal, and the directory record.
#include <cstring>

#include "FlashFixture.h"

namespace {

class RemoveProgressTest : public FlashOpsTest {
  protected:
    // Removes `name` with the target answering `report` (none: no answer) and
    // returns what the calling thread's queue received.
    std::vector<Progress> Remove(const char* name, const char* report, int expected) {
        if (report != nullptr) On("Remove_File").Reply(report);
        EXPECT_EQ(flash_->RemoveFile(name), expected);
        return Drain();
    }
    void ExpectTimerRanOnlyDuringTheExchange() {
        ASSERT_FALSE(seen_.empty());
        const auto& timers = seen_.back().timers;
        ASSERT_EQ(timers.size(), 1u);
        EXPECT_EQ(timers[0].elapse_ms, 30u);
        EXPECT_FALSE(timers[0].has_proc);
        EXPECT_TRUE(quorvex::platform::ActiveTimers(nullptr).empty());
    }
};

TEST_F(RemoveProgressTest, OnlyTheGuiInstanceAnnouncesTheListedSizeAndAlwaysEnds) {
    flash_->m_strInstanceName = "GUI Instance";
    On("GetFileNameList")
        .Reply("FDI__Transport__F_NameList_Packet", NameListPacket("big.bin@0@0@1500@0@", 1, 1));
    const CFdiFileList* list = nullptr;
    ASSERT_EQ(flash_->GetFileList(list, "*"), 0);

    EXPECT_EQ(Remove("big.bin", "FDI__Transport__Remove_Success", 0),
              (std::vector<Progress>{Begin(1500, 3), End()}));
    ExpectTimerRanOnlyDuringTheExchange();

    // Not listed: a nominal 100; the end comes after an error and a time-out too.
    EXPECT_EQ(Remove("other.bin", "FDI__Transport__Remove_Error", 13),
              (std::vector<Progress>{Begin(100, 3), End()}));
    ExpectTimerRanOnlyDuringTheExchange();
    EXPECT_EQ(Remove("other.bin", nullptr, UE_LINK_TIMEOUT),
              (std::vector<Progress>{Begin(100, 3), End()}));
    ExpectTimerRanOnlyDuringTheExchange();

    // Other instances post nothing but still run the timer.
    for (const char* name : {"gui instance", "Script"}) {
        SCOPED_TRACE(name);
        flash_->m_strInstanceName = name;
        EXPECT_TRUE(Remove("a.bin", "FDI__Transport__Remove_Error", 13).empty());
        ExpectTimerRanOnlyDuringTheExchange();
    }
    // On a real notify window the timer keeps the id it was started with, and
    // the messages go to the window's queue.
    flash_->m_strInstanceName = "GUI Instance";
    window_ = quorvex::platform::CreateMessageWindow();
    flash_->SetNotifyWindow(window_);
    On("Remove_File").Reply("FDI__Transport__Remove_Success");
    EXPECT_EQ(flash_->RemoveFile("a.bin"), 0);
    ASSERT_EQ(seen_.back().timers.size(), 1u);
    EXPECT_EQ(seen_.back().timers[0].id, 2u);
    EXPECT_EQ(Drain(window_), (std::vector<Progress>{Begin(100, 3), End()}));
    EXPECT_TRUE(Drain().empty());
}

TEST(FdiFileRecord, CreatedByNameComparedByNameAndCopiedWhole) {
    CObject* created = CRuntimeClass::CreateObject("CFdiFile");
    ASSERT_NE(created, nullptr);
    ASSERT_TRUE(created->IsKindOf(RUNTIME_CLASS(CFdiFile)));
    auto* record = static_cast<CFdiFile*>(created);
    EXPECT_EQ(Row(*record), "|||||0|0 KB|0");
    EXPECT_FALSE(record->IsSerializable());

    CFdiFile named("a.txt", "01:02:03", "04/05/2026", 2048, 0644);
    named.m_strSecondTime = "06:07:08";
    named.m_strSecondDate = "09/10/2026";
    CFdiFile copy(named);
    *record = copy;
    EXPECT_EQ(Row(copy), "a.txt|01:02:03|04/05/2026|06:07:08|09/10/2026|2048|2 KB|420");
    EXPECT_EQ(Row(*record), Row(copy));

    // Only the name counts, and it counts case-sensitively.
    EXPECT_TRUE(CFdiFile("a.txt", "", "", 1, 0) == named);
    EXPECT_FALSE(CFdiFile("A.TXT", "", "", 2048, 0644) == named);
    delete created;
}

}  // namespace
