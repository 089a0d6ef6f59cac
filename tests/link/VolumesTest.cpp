// The volume list and the current volume-and-path prefix.
#include <gtest/gtest.h>

#include "FlashTestAccess.h"
#include "ModuleTestEnvironment.h"
#include "cmdlib/Payload.h"

namespace {

using Access = CFlashExplorerDataTestAccess;
using quorvex::testing::Strings;

std::vector<std::uint8_t> VolumePayload(const std::vector<std::string>& names, int count) {
    quorvex::link::PayloadBuilder payload;
    payload.U8(static_cast<std::uint8_t>(count));
    for (const auto& name : names) payload.Text(name, 10);
    return payload;
}

class VolumesTest : public quorvex::testing::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        object_ = Access::Create();  // its link takes the connection made above
    }
    std::unique_ptr<CFlashExplorerData> object_;
};

TEST_F(VolumesTest, NamesArriveInReverseInFrontOfWhatTheListHeld) {
    target_->On("GetFdiVolumes")
        .Reply("FDI__Transport__GetFdiVolumes_List", VolumePayload({"A", "B"}, 2));
    CStringList volumes;
    volumes.AddTail("old");
    ASSERT_EQ(object_->GetVolumeList(volumes), 0);
    const auto texts = Strings(volumes);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::string("B\0\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(texts[1], std::string("A\0\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(texts[2], "old");
    EXPECT_STREQ(static_cast<LPCSTR>(volumes.GetHead()), "B");

    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].FullName(), "FDI__Transport__GetFdiVolumes");
    EXPECT_TRUE(sent[0].data.empty());
    EXPECT_EQ(sent[0].timeout_ms, 5000u);
}

TEST_F(VolumesTest, ErrorReportEmptyCountMissingPayloadAndNoAnswer) {
    const auto slot = [](const std::string& name) {
        return std::string(name).append(10 - name.size(), '\0');
    };
    std::vector<std::string> first_six;
    for (int i = 6; i >= 1; --i) first_six.push_back(slot("v" + std::to_string(i)));
    const struct {
        const char* report;  // nullptr: no answer
        std::vector<std::uint8_t> payload;
        std::vector<std::string> before;
        int result;
        std::vector<std::string> after;
    } cases[] = {
        {"FDI__Transport__GetFdiVolumes_List_Err", VolumePayload({"dfm"}, 1), {}, 0, {slot("dfm")}},
        {"FDI__Transport__GetFdiVolumes_List", {0}, {"keep"}, 0, {"keep"}},
        {nullptr, {}, {}, 0, {"My Devices"}},
        {"FDI__Transport__GetFdiVolumes_List", {}, {}, 4, {}},
        {"FDI__Transport__GetFdiVolumes_List", VolumePayload({"a", "b"}, 3), {"keep"}, 4, {"keep"}},
        // A count beyond the buffer reads the six names that fit.
        {"FDI__Transport__GetFdiVolumes_List",
         VolumePayload({"v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8"}, 255),
         {},
         0,
         first_six},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report ? c.report : "no answer");
        if (c.report) target_->On("GetFdiVolumes").Reply(c.report, c.payload);
        CStringList volumes;
        for (const auto& text : c.before) volumes.AddTail(text.c_str());
        EXPECT_EQ(object_->GetVolumeList(volumes), c.result);
        EXPECT_EQ(Strings(volumes), c.after);
    }
}

TEST_F(VolumesTest, DefaultPathIsRebuiltFromSideAndSystem) {
    target_->SetOsType(1, 2);
    Reconnect();
    object_ = Access::Create();
    object_->m_nTargetType = TARGET_TYPE_AP;
    object_->m_bExtendedMode = 1;
    EXPECT_EQ(object_->SetVolumeAndPath("ignored/", true), 0);
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("/Windows/Vendrix/NVM/"));
    object_->m_bExtendedMode = 0;
    object_->m_strFdiVersionAp = "bogus";
    EXPECT_EQ(object_->SetVolumeAndPath("ignored/", true), 4);
}

TEST_F(VolumesTest, PathLevelDownAndUp) {
    trace_->Clear();
    EXPECT_EQ(object_->SetVolumeAndPath("a/", false), 0);
    EXPECT_EQ(trace_->Text(), "a/ path is set\n");
    trace_->Clear();
    EXPECT_EQ(object_->PathLevelDown("b"), 0);
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("a/b/"));
    EXPECT_EQ(trace_->Text(), "a/b/\tb path level down\n");
    trace_->Clear();
    EXPECT_EQ(object_->PathLevelDown("c/"), 0);  // already ends in its only slash
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("a/b/c/"));
    EXPECT_EQ(trace_->Text(), "");

    EXPECT_EQ(object_->PathLevelUp(), 0);
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("a/b/"));
    EXPECT_EQ(object_->PathLevelUp(), 0);
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("a/"));
    EXPECT_EQ(object_->PathLevelUp(), 0);  // no slash before the last character
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("a/"));
    object_->SetVolumeAndPath("/x/", false);
    EXPECT_EQ(object_->PathLevelUp(), 0);  // up to a slash at the very start
    EXPECT_EQ(object_->GetVolumeAndPath(), CString("/"));
    object_->SetVolumeAndPath("", false);
    EXPECT_EQ(object_->PathLevelUp(), 23);
}

}  // namespace
