// Modal dialogs: scripts that do not fit the dialog, and the console
// presenter's answers to bad input (the module's dialogs cover the rest).
#include "framework/dialog.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "framework/module.h"

namespace {

using quorvex::framework::ControlKind;
using quorvex::framework::DialogTemplate;
using quorvex::framework::kFirstOfGroup;
using quorvex::framework::kNoControlId;
using quorvex::framework::kTabStop;
using quorvex::framework::ScriptedDialogPresenter;

constexpr UINT kCoreDialog = 7006;

HINSTANCE FakeModule(UINT_PTR n) {
    return reinterpret_cast<HINSTANCE>(n << 12);
}

DialogTemplate CoreTemplate() {
    DialogTemplate t;
    t.id = kCoreDialog;
    t.caption = "Target Type";
    t.width = 129;
    t.height = 81;
    t.controls = {
        {kNoControlId, "Select the Target Type:", ControlKind::kGroupBox, 0, 7, 7, 115, 46},
        {1031, "Communication Core", ControlKind::kRadioButton, kFirstOfGroup | kTabStop, 16, 21,
         81, 10},
        {1032, "Application Core", ControlKind::kRadioButton, 0, 16, 36, 67, 10},
        {IDOK, "OK", ControlKind::kDefPushButton, kFirstOfGroup, 39, 60, 50, 14},
    };
    return t;
}

class CCoreDlg : public CDialog {
  public:
    CCoreDlg() : CDialog(kCoreDialog) {}
    void DoDataExchange(CDataExchange* pDX) override { DDX_Radio(pDX, 1031, m_nTarget); }

    int m_nTarget = 0;
};

// Each test starts with the template in a module of its own that is the
// current resource module, and restores the presenter and the resource module.
class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_resource_ = AfxGetResourceHandle();
        saved_presenter_ = quorvex::framework::SetDialogPresenter(&script_);
        quorvex::framework::RegisterDialogTemplate(module_, CoreTemplate());
        AfxSetResourceHandle(module_);
    }
    void TearDown() override {
        AfxSetResourceHandle(saved_resource_);
        quorvex::framework::SetDialogPresenter(saved_presenter_);
        quorvex::framework::UnregisterDialogTemplates(module_);
    }

    HINSTANCE module_ = FakeModule(0x501);
    HINSTANCE saved_resource_ = nullptr;
    quorvex::framework::DialogPresenter* saved_presenter_ = nullptr;
    ScriptedDialogPresenter script_;
};

TEST_F(DialogTest, ScriptThatDoesNotFitEndsTheDialog) {
    CCoreDlg dlg;
    EXPECT_EQ(dlg.DoModal(), -1);  // nothing scripted
    script_.Click(8030).Ok();      // a control of another dialog
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_nTarget, 0);
    EXPECT_EQ(script_.shown().size(), 2u);

    EXPECT_FALSE(script_.AddScript("click"));
    EXPECT_FALSE(script_.AddScript("click 5"));
    EXPECT_FALSE(script_.AddScript("jump, ok"));
    EXPECT_FALSE(script_.AddScript(""));
    EXPECT_EQ(script_.pending(), 0u);
    EXPECT_TRUE(script_.AddScript("Escape end 42"));
    EXPECT_EQ(script_.pending(), 2u);
}

class ConsoleDialogTest : public DialogTest {
  protected:
    // Runs `dlg` with the console presenter on `input`; returns what it drew.
    std::string RunConsole(CDialog& dlg, const std::string& input, INT_PTR* result) {
        std::istringstream in(input);
        std::ostringstream out;
        quorvex::framework::ConsoleDialogPresenter console(in, out);
        quorvex::framework::SetDialogPresenter(&console);
        *result = dlg.DoModal();
        quorvex::framework::SetDialogPresenter(&script_);
        return out.str();
    }
};

TEST_F(ConsoleDialogTest, QuitCancelsAndBadInputAsksAgain) {
    CCoreDlg dlg;
    INT_PTR result = 0;
    std::string out = RunConsole(dlg, "x\n7\n2\nq\n", &result);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dlg.m_nTarget, 0);
    EXPECT_NE(out.find("Not a choice: x\n"), std::string::npos);
    EXPECT_NE(out.find("Not a choice: 7\n"), std::string::npos);

    out = RunConsole(dlg, "", &result);  // input already at its end
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
