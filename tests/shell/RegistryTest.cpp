// The instance registry through the exported surface of the shared module:
// one object per name, the "Target Type" question only for "GUI Instance",
// and one log line per creation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "ModuleTestEnvironment.h"
#include "framework/dialog_presenter.h"
#include "framework/exception.h"
#include "quorvex/Quorvex.h"

// While non-zero, counts allocations down and fails the one that reaches 0.
// Out of line, so the compiler never pairs an inlined free() with a new.
static std::atomic<long> g_failAllocation{0};
__attribute__((noinline)) void* operator new(std::size_t size) {
    if (g_failAllocation > 0 && --g_failAllocation == 0) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* block) noexcept {
    std::free(block);
}
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

using quorvex::framework::ScriptedDialogPresenter;

class RegistryTest : public quorvex::testing::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        previous_ = quorvex::framework::SetDialogPresenter(&dialogs_);
    }
    void TearDown() override {
        for (const char* name : {"GUI Instance", "gui instance", "other", ""}) {
            CFlashExplorerData::DeleteInstance(name);
        }
        quorvex::framework::SetDialogPresenter(previous_);
        ModuleTest::TearDown();
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (const auto& record : log_->Records()) lines.push_back(record.line);
        return lines;
    }

    ScriptedDialogPresenter dialogs_;
    quorvex::framework::DialogPresenter* previous_ = nullptr;
};

TEST_F(RegistryTest, GuiInstanceOnApplicationCoreWithExtendedMode) {
    target_->AddCommands(1, {"FDI__Transport__ExtendedMode"});
    target_->SetOsType(1, 3);
    target_->On("GetFdiVersion").Reply("FDI__Transport__FDI71");
    Reconnect();
    dialogs_.Click(1032).Ok();

    CFlashExplorerData* gui = CFlashExplorerData::Instance("GUI Instance");
    ASSERT_NE(gui, nullptr);
    EXPECT_EQ(gui->GetTargetType(), TARGET_TYPE_AP);
    EXPECT_EQ(gui->GetVolumeAndPath(), CString("/data/Linux/Vendrix/NVM/"));
    EXPECT_EQ(gui->m_strInstanceName, CString("GUI Instance"));

    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_TRUE(boxes_.Boxes().empty());  // the module was found by its name
    EXPECT_EQ(trace_->Text(),
              "NVM: init AP\nNVM: set AP\n"
              "NVM:\tT1\tE1\tO3\troot=\t/data/Linux/Vendrix/NVM/\tFDIV=\tFDI71\n");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Quorvex; Instance name: GUI Instance."});
    ASSERT_EQ(log_->Records().size(), 1u);
    EXPECT_EQ(log_->Records()[0].mask, 0x7FEu);
}

TEST_F(RegistryTest, DialogOnlyOnceAndOnlyForTheExactName) {
    dialogs_.Click(1032).Ok();
    CFlashExplorerData* gui = CFlashExplorerData::Instance("GUI Instance");
    EXPECT_EQ(CFlashExplorerData::Instance("GUI Instance"), gui);
    CFlashExplorerData* lower = CFlashExplorerData::Instance("gui instance");
    EXPECT_NE(lower, gui);
    EXPECT_EQ(lower->GetTargetType(), TARGET_TYPE_CP);
    EXPECT_EQ(gui->GetTargetType(), TARGET_TYPE_AP);
    EXPECT_EQ(dialogs_.shown().size(), 1u);
    CFlashExplorerData* empty = CFlashExplorerData::Instance("");
    EXPECT_EQ(CFlashExplorerData::Instance(""), empty);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Quorvex; Instance name: GUI Instance.",
                                                    "Quorvex; Instance name: gui instance.",
                                                    "Quorvex; Instance name: ."}));
}

TEST_F(RegistryTest, EscapeOrNoDialogLeavesTheCommunicationCore) {
    dialogs_.Click(1032).Escape();
    EXPECT_EQ(CFlashExplorerData::Instance("GUI Instance")->GetTargetType(), TARGET_TYPE_CP);
    CFlashExplorerData::DeleteInstance("GUI Instance");
    // Script used up: the dialog cannot be shown.
    EXPECT_EQ(CFlashExplorerData::Instance("GUI Instance")->GetTargetType(), TARGET_TYPE_CP);
    CFlashExplorerData::DeleteInstance("GUI Instance");
    dialogs_.Ok();  // "Communication Core" stays selected
    EXPECT_EQ(CFlashExplorerData::Instance("GUI Instance")->GetTargetType(), TARGET_TYPE_CP);
    EXPECT_EQ(dialogs_.shown().size(), 3u);
}

TEST_F(RegistryTest, DeletionAndRecreation) {
    dialogs_.Click(1032).Ok().Click(1031).Ok();
    CFlashExplorerData* other = CFlashExplorerData::Instance("other");
    CFlashExplorerData::Instance("GUI Instance");
    CFlashExplorerData::DeleteInstance("never made");
    EXPECT_EQ(CFlashExplorerData::Instance("other"), other);
    CFlashExplorerData::DeleteInstance("GUI Instance");
    EXPECT_EQ(trace_->Text().find("NVM: exit AP\n") != std::string::npos, true);
    CFlashExplorerData* again = CFlashExplorerData::Instance("GUI Instance");
    EXPECT_EQ(again->GetTargetType(), TARGET_TYPE_CP);
    EXPECT_EQ(dialogs_.shown().size(), 2u);
    EXPECT_EQ(LogLines().size(), 3u);
    // Every new object had its side set once: one version query each.
    EXPECT_EQ(target_->CommandsNamed("GetFdiVersion").size(), 3u);
}

TEST_F(RegistryTest, GuiInstanceWriteThroughThePlainEntryPoint) {
    dialogs_.Ok();
    // A PC file that does not exist: the object is made, nothing is sent for the write.
    EXPECT_EQ(gl_WriteFile("GUI Instance", "a.bin", (home_ + "/missing.bin").c_str(), 0), 2);
    EXPECT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_TRUE(target_->CommandsNamed("Fopen").empty());
}

TEST_F(RegistryTest, ExhaustedHeapRaisesTheMemoryExceptionAndRegistersNothing) {
    // Fails the first, second, ... allocation of a creation until one succeeds.
    bool created = false;
    for (long k = 1; !created && k < 100000; ++k) {
        g_failAllocation = k;
        try {
            created = CFlashExplorerData::Instance("other") != nullptr;
        } catch (CMemoryException&) {
            EXPECT_TRUE(LogLines().empty()) << "failed creation " << k;
        }
    }
    g_failAllocation = 0;
    EXPECT_TRUE(created);
    EXPECT_EQ(LogLines().size(), 1u) << "a failed creation was kept";
}

}  // namespace
