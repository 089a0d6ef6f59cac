// Construction and destruction of the flash data object.
#include <gtest/gtest.h>

#include <filesystem>

#include "FlashTestAccess.h"
#include "ModuleTestEnvironment.h"
#include "cmdlib/Connection.h"
#include "platform/sync.h"

namespace {

using Access = CFlashExplorerDataTestAccess;

class LifecycleTest : public quorvex::testing::ModuleTest {};

TEST_F(LifecycleTest, NewObjectStartsUnsetOnFdi5AndTracesInitAp) {
    auto object = Access::Create();
    EXPECT_EQ(object->GetTargetType(), -1);
    EXPECT_EQ(object->GetVolumeAndPath(), CString(""));
    EXPECT_EQ(object->m_strFdiVersionCp, CString("FDI5"));
    EXPECT_EQ(object->m_strFdiVersionAp, CString("FDI5"));
    EXPECT_EQ(object->m_bContentChanged, 1);
    EXPECT_EQ(object->m_nAvailableSpace, 0u);
    EXPECT_EQ(object->m_hNotifyWnd, nullptr);
    EXPECT_EQ(object->m_fileList.GetCount(), 0);
    EXPECT_EQ(trace_->Text(), "NVM: init AP\n");
    // Construction sends nothing: the side is not known yet.
    EXPECT_TRUE(target_->Commands().empty());
    // The temp folder is made under the host folder; a second object leaves it alone.
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/Temp"));
    auto second = Access::Create();
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/Temp"));
}

TEST_F(LifecycleTest, LinkIsSetUpForAllDevicesAndTheReadyEventIsSet) {
    auto object = Access::Create();
    ASSERT_NE(object->m_pCommandLink, nullptr);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirectionMask()), 0x7FEu);
    EXPECT_EQ(object->m_pCommandLink->GetConfiguration(), 1000);
    EXPECT_EQ(WaitForSingleObject(object->m_hReadyEvent, 0), WAIT_OBJECT_0);
    // Manual reset: still set after a wait.
    EXPECT_EQ(WaitForSingleObject(object->m_hReadyEvent, 0), WAIT_OBJECT_0);

    // Selecting a device sets its bit; a raw direction passes unchanged.
    object->SelectDevice(0);
    EXPECT_EQ(object->m_nDeviceIndex, 0);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirectionMask()), 0x2u);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirection()), 0x2u);
    object->SelectDevice(9);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirection()), 0x400u);
    object->SelectDevice(-1);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirection()), 0x1u);
    object->SelectDevice(40);  // no such bit: no device, and no undefined shift
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirection()), 0u);
    object->SetActiveDevice(static_cast<CZENTOMessage::eDirection>(0x10));
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirectionMask()), 0x10u);
    EXPECT_EQ(static_cast<DWORD>(object->m_pCommandLink->GetDirection()), 0x10u);

    // Deleting the objects twice leaves no link behind.
    Access::DeleteAllObjects(*object);
    Access::DeleteAllObjects(*object);
    EXPECT_EQ(object->m_pCommandLink, nullptr);
}

TEST_F(LifecycleTest, ExtendedModeComesFromTheApplicationDatabaseOnly) {
    target_->AddCommands(0, {"FDI__Transport__ExtendedMode"});
    Reconnect();
    EXPECT_EQ(Access::Create()->m_bExtendedMode, 0);
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode"});
    Reconnect();
    EXPECT_EQ(Access::Create()->m_bExtendedMode, 1);
}

TEST_F(LifecycleTest, DestructionTracesTheSide) {
    // The communication side (0) exits as CP; unset and unknown sides as AP.
    for (int side : {0, -1, 5}) {
        {
            auto object = Access::Create();
            object->m_nTargetType = static_cast<eTargetType>(side);
            trace_->Clear();
        }
        EXPECT_EQ(trace_->Text(), side == 0 ? "NVM: exit CP\n" : "NVM: exit AP\n");
    }
}

TEST_F(LifecycleTest, VersionsStayFdi5WithoutAConnection) {
    quorvex::link::Disconnect();
    auto object = Access::Create();
    object->SetTargetType(TARGET_TYPE_AP);
    EXPECT_EQ(object->GetTargetType(), TARGET_TYPE_AP);
    EXPECT_EQ(object->m_strFdiVersionAp, CString("FDI5"));
    EXPECT_EQ(trace_->Text(), "NVM: init AP\n");
}

}  // namespace
