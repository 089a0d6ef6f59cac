// Progress messages through the exported surface go to the notify window once
// one is set (the rule of who posts what is tested with the removal itself).
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

TEST_F(ProgressTest, NotifyWindowReceivesTheMessagesInsteadOfTheThread) {
    target_->On("Remove_File").Reply("FDI__Transport__Remove_Error");
    CFlashExplorerData* gui = CFlashExplorerData::Instance("GUI Instance");
    HWND window = quorvex::platform::CreateMessageWindow();
    gui->SetNotifyWindow(window);
    DrainThreadMessages();
    EXPECT_EQ(gui->RemoveFile("a.bin"), 13);
    // The window's queue first: on Windows a read of the thread's queue also
    // takes the messages of the thread's windows.
    std::vector<UINT> seen;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_TIMER) seen.push_back(msg.message);
    }
    EXPECT_EQ(seen, (std::vector<UINT>{WM_FLASH_PROGRESS_START, WM_FLASH_PROGRESS_END}));
    EXPECT_TRUE(DrainThreadMessages().empty());
    gui->SetNotifyWindow(nullptr);
    DestroyWindow(window);
}

}  // namespace
