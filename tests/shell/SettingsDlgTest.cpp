// The settings dialog against the real settings store: what it shows, what
// OK writes and in which order, and that Cancel writes nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ModuleTestEnvironment.h"
#include "framework/dialog_presenter.h"
#include "framework/module.h"
#include "hostlib/hostpaths.h"
#include "resources/ModuleResources.h"
#include "shell/SettingsDlg.h"

namespace {

using quorvex::framework::ScriptedDialogPresenter;

const char kSection[] = "Quorvex Settings";
// Keys in the order the dialog reads and writes them.
const std::vector<std::string> kKeys = {"Update Diagnosis Information", "Update RTC",
                                        "Available Space", "FDI Ver Check", "Verify After Write"};

class SettingsDlgTest : public quorvex::testing::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        RegisterModuleResources(AfxGetInstanceHandle());
        previous_ = quorvex::framework::SetDialogPresenter(&dialogs_);
    }
    void TearDown() override {
        quorvex::framework::SetDialogPresenter(previous_);
        ModuleTest::TearDown();
    }

    std::vector<std::string> StoredKeys() {
        std::vector<std::string> keys;
        for (const CString& key : GetHostPaths()->GetSettingKeys(kSection)) keys.emplace_back(key);
        return keys;
    }
    std::string StoreText() {
        std::ifstream in(std::string(GetHostPaths()->GetSettingsFile()));
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The check states the dialog showed, by control id.
    std::map<int, int> ShownChecks() {
        const auto shown = dialogs_.shown();
        return shown.empty() ? std::map<int, int>{} : shown.back().checks;
    }

    ScriptedDialogPresenter dialogs_;
    quorvex::framework::DialogPresenter* previous_ = nullptr;
};

TEST_F(SettingsDlgTest, EmptyStoreShowsEverySwitchOnAndOkWritesThemInReadOrder) {
    CSettingsDlg dialog;
    dialogs_.Ok();
    EXPECT_EQ(dialog.DoModal(), IDOK);

    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].template_id, 8033u);
    EXPECT_EQ(dialogs_.shown()[0].caption, "Flash Explorer Settings");
    EXPECT_EQ(ShownChecks(),
              (std::map<int, int>{{8018, 1}, {8022, 1}, {8023, 1}, {8030, 1}, {8031, 1}}));
    EXPECT_EQ(StoredKeys(), kKeys);
    for (const std::string& key : kKeys) {
        EXPECT_EQ(GetHostPaths()->ReadSettingInt(kSection, key.c_str(), -7), 1) << key;
    }
}

TEST_F(SettingsDlgTest, StoredValuesReachTheirOwnBoxesAndClicksReachTheStore) {
    CHostPaths* store = GetHostPaths();
    store->WriteSettingInt(kSection, "Verify After Write", 0);
    store->WriteSettingInt(kSection, "Update RTC", 0);
    store->WriteSettingInt(kSection, "FDI Ver Check", 1);
    store->WriteSettingInt(kSection, "Available Space", 0);

    CSettingsDlg dialog;
    dialogs_.Click(8030).Click(8022).Click(8031).Ok();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(ShownChecks(),
              (std::map<int, int>{{8018, 0}, {8022, 1}, {8023, 0}, {8030, 0}, {8031, 1}}));

    const int expected[] = {0, 1, 0, 0, 0};  // in the order of kKeys
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        EXPECT_EQ(store->ReadSettingInt(kSection, kKeys[i].c_str(), -7), expected[i]) << kKeys[i];
    }
    // Keys already stored keep their place; the new one is added at the end.
    EXPECT_EQ(StoredKeys(),
              (std::vector<std::string>{"Verify After Write", "Update RTC", "FDI Ver Check",
                                        "Available Space", "Update Diagnosis Information"}));
}

TEST_F(SettingsDlgTest, CancelLeavesTheStoreAsItWas) {
    GetHostPaths()->WriteSettingInt(kSection, "Update RTC", 0);
    const std::string before = StoreText();

    CSettingsDlg dialog;
    dialogs_.Click(8030).Click(8023).Escape();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(StoreText(), before);
}

TEST_F(SettingsDlgTest, WithoutAPresenterTheDialogCannotOpenAndWritesNothing) {
    quorvex::framework::SetDialogPresenter(nullptr);
    CSettingsDlg dialog;
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(StoredKeys().empty());
}

}  // namespace
