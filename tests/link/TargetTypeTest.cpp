// Target side, FDI version query and the root path derived from them.
#include <gtest/gtest.h>

#include "FlashTestAccess.h"
#include "ModuleTestEnvironment.h"

namespace {

using Access = CFlashExplorerDataTestAccess;

class TargetTypeTest : public quorvex::testing::ModuleTest {
  protected:
    void AnswerVersion(const std::string& version) {
        target_->On("GetFdiVersion").Reply("FDI__Transport__" + version);
    }
};

TEST_F(TargetTypeTest, CommunicationSideWithFdi6) {
    AnswerVersion("FDI6");
    auto object = Access::Create();
    trace_->Clear();
    object->SetTargetType(TARGET_TYPE_CP);

    EXPECT_EQ(object->m_strFdiVersionCp, CString("FDI6"));
    EXPECT_EQ(object->m_strFdiVersionAp, CString("FDI5"));
    EXPECT_EQ(object->GetVolumeAndPath(), CString("dfm/"));
    EXPECT_EQ(object->m_bExtendedMode, 0);
    EXPECT_EQ(trace_->Text(), "NVM: set CP\nNVM:\tT0\tE0\tO0\troot=\tdfm/\tFDIV=\tFDI6\n");

    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].FullName(), "FDI__Transport__GetFdiVersion");
    EXPECT_EQ(sent[0].side, 0);
    EXPECT_TRUE(sent[0].data.empty());
    EXPECT_EQ(sent[0].timeout_ms, 5000u);
}

TEST_F(TargetTypeTest, ApplicationSideWithExtendedModeAsksTheOperatingSystem) {
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode"});
    Reconnect();
    target_->SetOsType(1, 3);
    Reconnect();
    AnswerVersion("FDI71");
    auto object = Access::Create();
    trace_->Clear();
    object->SetTargetType(TARGET_TYPE_AP);

    const auto sent = target_->Commands();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].FullName(), "FDI__Transport__ExtendedMode");
    EXPECT_TRUE(sent[0].posted);
    EXPECT_EQ(sent[0].side, 1);
    EXPECT_TRUE(sent[0].data.empty());
    EXPECT_EQ(sent[1].FullName(), "FDI__Transport__GetFdiVersion");
    EXPECT_EQ(object->GetVolumeAndPath(), CString("/data/Linux/Vendrix/NVM/"));
    EXPECT_EQ(object->m_bExtendedMode, 1);
    EXPECT_EQ(trace_->Text(),
              "NVM: set AP\nNVM:\tT1\tE1\tO3\troot=\t/data/Linux/Vendrix/NVM/\tFDIV=\tFDI71\n");
}

TEST_F(TargetTypeTest, OperatingSystemRowsOfTheRootPathTable) {
    // Type 5 behaves as the application side except in the system branch.
    const struct {
        int side, os;
        const char* path;
    } rows[] = {{1, 1, "/RTOS/Vendrix/NVM/"},
                {1, 2, "/Windows/Vendrix/NVM/"},
                {1, 3, "/data/Linux/Vendrix/NVM/"},
                {1, 0, "previous/"},
                {1, 4, "previous/"},
                {5, 2, "dfm/"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.side) + "/" + std::to_string(row.os));
        target_->SetOsType(1, row.os);
        Reconnect();
        auto object = Access::Create();
        object->m_nTargetType = static_cast<eTargetType>(row.side);
        object->m_bExtendedMode = 1;
        object->m_strVolumeAndPath = "previous/";
        if (row.side == 5) object->m_strFdiVersionAp = "FDI6";
        EXPECT_EQ(Access::BuildRootPath(*object), 0);
        EXPECT_EQ(object->GetVolumeAndPath(), CString(row.path));
    }
}

TEST_F(TargetTypeTest, VersionRowsOfTheRootPathTable) {
    const struct {
        const char* version;
        const char* path;
        int result;
    } rows[] = {{"FDI5", "", 0},      {"FDI6", "dfm/", 0}, {"FDI7", "", 0},
                {"FDI71", "mfm/", 0}, {"fdi6", "", 4},     {"", "", 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        for (int side : {0, 1}) {
            auto object = Access::Create();
            object->m_nTargetType = static_cast<eTargetType>(side);
            object->m_strVolumeAndPath = "previous/";
            Access::GetCurrentFdiVersion(*object) = row.version;
            trace_->Clear();
            EXPECT_EQ(Access::BuildRootPath(*object), row.result);
            EXPECT_EQ(object->GetVolumeAndPath(), CString(row.path));
            EXPECT_EQ(trace_->Text(), "NVM:\tT" + std::to_string(side) + "\tE0\tO0\troot=\t" +
                                          row.path + "\tFDIV=\t" + row.version + "\n");
        }
    }
}

TEST_F(TargetTypeTest, FailedVersionQueryKeepsVersionAndPathButClearsExtendedMode) {
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode"});
    Reconnect();
    auto object = Access::Create();
    object->m_strVolumeAndPath = "kept/";
    trace_->Clear();
    object->SetTargetType(TARGET_TYPE_AP);  // nothing answers the version query
    EXPECT_EQ(object->m_strFdiVersionAp, CString("FDI5"));
    EXPECT_EQ(object->GetVolumeAndPath(), CString("kept/"));
    EXPECT_EQ(object->m_bExtendedMode, 0);
    EXPECT_EQ(trace_->Text(), "NVM: set AP\n");
    EXPECT_EQ(Access::GetFdiVersion(*object), UE_LINK_TIMEOUT);

    // With extended mode cleared, the next switch to the side posts nothing.
    AnswerVersion("FDI7");
    object->SetTargetType(TARGET_TYPE_AP);
    EXPECT_TRUE(target_->CommandsNamed("ExtendedMode").size() == 1u);
}

TEST_F(TargetTypeTest, VersionsArePerSideAndTheCommunicationQueryClearsExtendedMode) {
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode"});
    Reconnect();
    target_->On("GetFdiVersion").OnSide(0).Sticky().Reply("FDI__Transport__FDI6");
    target_->On("GetFdiVersion").OnSide(1).Sticky().Reply("FDI__Transport__FDI71");
    auto object = Access::Create();
    object->SetTargetType(TARGET_TYPE_CP);
    EXPECT_EQ(object->m_bExtendedMode, 0);
    object->SetTargetType(TARGET_TYPE_AP);
    EXPECT_TRUE(target_->CommandsNamed("ExtendedMode").empty());
    EXPECT_EQ(object->m_bExtendedMode, 1);  // found again after the AP query
    EXPECT_EQ(object->m_strFdiVersionCp, CString("FDI6"));
    EXPECT_EQ(object->m_strFdiVersionAp, CString("FDI71"));
    object->SetTargetType(TARGET_TYPE_AP);
    EXPECT_EQ(target_->CommandsNamed("ExtendedMode").size(), 1u);
    object->SetTargetType(TARGET_TYPE_CP);
    EXPECT_EQ(Access::GetCurrentFdiVersion(*object), CString("FDI6"));
}

TEST_F(TargetTypeTest, UnknownSideValueIsStoredAndAsksTheApplicationDatabase) {
    target_->AddCommands(1, {"FDI__Transport__Fseek"});
    Reconnect();
    // (Unset and the two known sides are the board tests' reset rows.)
    auto object = Access::Create();
    object->SetTargetType(static_cast<eTargetType>(5));
    EXPECT_EQ(object->GetTargetType(), 5);
    EXPECT_TRUE(Access::IsCommandAvailable(*object, "FDI__Transport__Fseek"));
}

// Well-formed names are split by the board tests' reset commands.
TEST(SplitCommandName, MalformedNamesDoNotCrash) {
    CString service, module, name;
    for (const char* text : {"", "plain", "a__b", "__", "____", "a____b"}) {
        CFlashExplorerDataTestAccess::SplitCommandName(text, service, module, name);
    }
    CFlashExplorerDataTestAccess::SplitCommandName("a__b", service, module, name);
    EXPECT_EQ(service, CString("a"));
}

}  // namespace
