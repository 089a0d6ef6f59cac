// The host entry points and the manager's destructive reads. The manager is a
// process-wide singleton, so the order of checks inside one test matters.
#include <gtest/gtest.h>

#include "ModuleTestEnvironment.h"
#include "quorvex/QuorvexManager.h"

namespace {

class EntryPointsTest : public quorvex::testing::ModuleTest {};

TEST_F(EntryPointsTest, NoticesAndResultsOfEveryEntryPoint) {
    CommConnectionFunc(nullptr);
    CQuorvexManager* manager = Init();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(Init(), manager);
    EXPECT_EQ(CQuorvexManager::Instance(), manager);
    EXPECT_TRUE(manager->IsKindOf(CRuntimeClass::FromName("CQuorvexManager")));

    LoadModuleMenu();
    // The last-opened reads stay empty, even after the menu is loaded.
    EXPECT_EQ(manager->GetLastOpenedTargetType(), 0);
    EXPECT_EQ(manager->GetLastOpenedFolder(), CString(""));
    EXPECT_EQ(SaveWorkspace(nullptr), 0);
    boxes_.SetAnswer(IDOK);
    EXPECT_EQ(LoadWorkspace(nullptr), IDOK);  // what the box answered
    boxes_.SetAnswer(0);
    EXPECT_EQ(LoadWorkspace(nullptr), 0);
    EXPECT_EQ(CanClose(nullptr), 1);
    EXPECT_EQ(CanClose(reinterpret_cast<void*>(0x1234)), 1);
    CloseWorkspace();
    QuorvexDbUpdateEvent();
    manager->OnQuorvexSettings();

    const auto boxes = boxes_.Boxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].text, "CQuorvexManager::RegisterDocTemplate() : BCG UI disabled in XNB.");
    EXPECT_EQ(boxes[1].text, "CQuorvexManager::SaveWorkspace() : BCG UI disabled in XNB.");
    EXPECT_EQ(boxes[2].text, "CQuorvexManager::LoadWorkspace() : BCG UI disabled in XNB.");
    EXPECT_EQ(boxes[4].text, " CQuorvexManager::OnQuorvexSettings() : BCG UI disabled in XNB.");
    for (const auto& box : boxes) EXPECT_EQ(box.type & 0xF, static_cast<UINT>(MB_OK));

    Term();
    EXPECT_EQ(CQuorvexManager::Instance(), manager);  // destroyed only at unload
}

}  // namespace
