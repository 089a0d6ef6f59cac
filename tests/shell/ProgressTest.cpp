// Progress messages: only the "GUI Instance" posts them, to the calling
// thread's queue while no window is set.
#include <gtest/gtest.h>

#include "ModuleTestEnvironment.h"
#include "framework/dialog_presenter.h"
#include "platform/messages.h"
#include "quorvex/Quorvex.h"

namespace {

class ProgressTest : public quorvex::testing::ModuleTest {
  protected:
    void TearDown() override {
        CFlashExplorerData::DeleteInstance("GUI Instance");
        CFlashExplorerData::DeleteInstance("gui instance");
        ModuleTest::TearDown();
    }
};

TEST_F(ProgressTest, RemovalPostsStartAndEndOnlyForTheGuiInstance) {
    // Headless: no dialog presenter, so the GUI instance starts on the communication core.
    target_->On("Remove_File").Sticky().Reply("FDI__Transport__Remove_Success");
    CFlashExplorerData* gui = CFlashExplorerData::Instance("GUI Instance");
    CFlashExplorerData* other = CFlashExplorerData::Instance("gui instance");
    DrainThreadMessages();

    EXPECT_EQ(other->RemoveFile("a.bin"), 0);
    EXPECT_TRUE(DrainThreadMessages().empty());
    EXPECT_TRUE(quorvex::platform::ActiveTimers(nullptr).empty());

    EXPECT_EQ(gui->RemoveFile("a.bin"), 0);
    const auto messages = DrainThreadMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_FLASH_PROGRESS_START));
    EXPECT_EQ(messages[0].hwnd, nullptr);
    EXPECT_EQ(messages[0].lParam, 3);
    EXPECT_EQ(messages[1].message, static_cast<UINT>(WM_FLASH_PROGRESS_END));
    EXPECT_EQ(messages[1].wParam, 0u);
    EXPECT_EQ(messages[1].lParam, 0);
    EXPECT_TRUE(quorvex::platform::ActiveTimers(nullptr).empty());
}

TEST_F(ProgressTest, NotifyWindowReceivesTheMessagesInsteadOfTheThread) {
    target_->On("Remove_File").Reply("FDI__Transport__Remove_Error");
    CFlashExplorerData* gui = CFlashExplorerData::Instance("GUI Instance");
    HWND window = quorvex::platform::CreateMessageWindow();
    gui->SetNotifyWindow(window);
    DrainThreadMessages();
    EXPECT_EQ(gui->RemoveFile("a.bin"), 13);
    EXPECT_TRUE(DrainThreadMessages().empty());
    std::vector<UINT> seen;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_TIMER) seen.push_back(msg.message);
    }
    EXPECT_EQ(seen, (std::vector<UINT>{WM_FLASH_PROGRESS_START, WM_FLASH_PROGRESS_END}));
    gui->SetNotifyWindow(nullptr);
    DestroyWindow(window);
}

}  // namespace
