// Device probing through a real run-time load of the multi-link library,
// which sits beside this program: which slots are tested in which order, one
// link object per probe, and the library let go after each probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/module.h"
#include "quorvex/QuorvexManager.h"

namespace {

class DeviceProbeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        manager_ = CQuorvexManager::Instance();
        ASSERT_EQ(GetModuleHandleA("Portlane.dll"), nullptr);
    }
    void TearDown() override {
        if (library_ != nullptr) FreeLibrary(library_);
        unsetenv("PORTLANE_SLOTS");
    }

    // Keeps the library loaded so its call log survives between probes.
    std::string TakeCallLog() {
        if (library_ == nullptr) library_ = LoadLibraryA("Portlane.dll");
        auto take = reinterpret_cast<const char* (*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(library_, "PortlaneTakeCallLog")));
        return take ? take() : "no log";
    }

    CQuorvexManager* manager_ = nullptr;
    HMODULE library_ = nullptr;
};

TEST_F(DeviceProbeTest, SlotThreeFreeIsFoundAfterTestingTheSlotsBeforeIt) {
    setenv("PORTLANE_SLOTS", "-b-f-", 1);
    TakeCallLog();

    manager_->SetDeviceAbsent(1);
    EXPECT_TRUE(manager_->FindFreeDevice());
    EXPECT_EQ(manager_->GetDeviceAbsent(), 0);
    // The second test is asked only of a slot that passed the first.
    EXPECT_EQ(TakeCallLog(),
              "create;attached(0);attached(1);idle(1);attached(2);attached(3);idle(3);destroy;");

    EXPECT_EQ(manager_->GetFirstFreeDevice(), 3);
    EXPECT_EQ(manager_->GetNextFreeDevice(2), 3);
    EXPECT_EQ(manager_->GetNextFreeDevice(3), -1);
    EXPECT_EQ(TakeCallLog(),
              "create;attached(0);attached(1);idle(1);attached(2);attached(3);idle(3);destroy;"
              "create;attached(3);idle(3);destroy;"
              "create;attached(4);destroy;");

    EXPECT_TRUE(manager_->IsDeviceFree(3));
    EXPECT_FALSE(manager_->IsDeviceFree(1));
    EXPECT_FALSE(manager_->IsDeviceFree(0));
    EXPECT_EQ(TakeCallLog(),
              "create;attached(3);idle(3);destroy;create;attached(1);idle(1);destroy;"
              "create;attached(0);destroy;");

    // Nothing after the last slot is probed at all.
    EXPECT_EQ(manager_->GetNextFreeDevice(4), -1);
    EXPECT_EQ(manager_->GetNextFreeDevice(2147483647), -1);
    EXPECT_EQ(TakeCallLog(), "");
}

TEST_F(DeviceProbeTest, AllSlotsBusySetsTheDeviceAbsentFlag) {
    setenv("PORTLANE_SLOTS", "bbbbb", 1);
    TakeCallLog();
    manager_->SetDeviceAbsent(0);
    EXPECT_FALSE(manager_->FindFreeDevice());
    EXPECT_EQ(manager_->GetDeviceAbsent(), 1);
    EXPECT_EQ(manager_->GetFirstFreeDevice(), -1);
    EXPECT_EQ(TakeCallLog(),
              "create;attached(0);idle(0);attached(1);idle(1);attached(2);idle(2);attached(3);"
              "idle(3);attached(4);idle(4);destroy;"
              "create;attached(0);idle(0);attached(1);idle(1);attached(2);idle(2);attached(3);"
              "idle(3);attached(4);idle(4);destroy;");
}

TEST_F(DeviceProbeTest, TheLibraryIsReleasedAfterEveryProbe) {
    setenv("PORTLANE_SLOTS", "f", 1);
    EXPECT_TRUE(manager_->IsDeviceFree(0));
    EXPECT_EQ(GetModuleHandleA("Portlane.dll"), nullptr);
    // A library changed between probes is seen as it is now.
    setenv("PORTLANE_SLOTS", "b", 1);
    EXPECT_FALSE(manager_->IsDeviceFree(0));
    EXPECT_FALSE(manager_->FindFreeDevice());
    EXPECT_EQ(GetModuleHandleA("Portlane.dll"), nullptr);
}

}  // namespace
