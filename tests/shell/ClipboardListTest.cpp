// File lists on the clipboard through the manager: the file-drop block byte
// for byte, reading it back, a path the list cannot split, a clipboard held
// by another thread; and the device probes when no multi-link library exists.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ModuleTestEnvironment.h"
#include "platform/clipboard.h"
#include "platform/messages.h"
#include "platform/module.h"
#include "quorvex/QuorvexManager.h"

namespace {

using quorvex::testing::Strings;

void Fill(CStringList& list, std::initializer_list<const char*> items) {
    for (const char* item : items) list.AddTail(CString(item));
}

// The bytes of the clipboard's file-drop item; empty when there is none.
std::vector<BYTE> DropItemBytes() {
    std::vector<BYTE> bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    if (HANDLE item = GetClipboardData(CF_HDROP)) {
        const BYTE* data = static_cast<const BYTE*>(GlobalLock(item));
        bytes.assign(data, data + GlobalSize(item));
        GlobalUnlock(item);
    }
    CloseClipboard();
    return bytes;
}

void ClearClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

class ClipboardListTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearClipboard(); }
    void TearDown() override { ClearClipboard(); }

    CQuorvexManager* manager_ = CQuorvexManager::Instance();
};

TEST_F(ClipboardListTest, TwoFilesMakeTheFileDropBlockByteForByte) {
    CStringList files;
    Fill(files, {"C:\\a.txt", "C:\\b"});
    manager_->CopyFileListToClipboard(files);

    std::vector<BYTE> expected = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    for (const char* name : {"C:\\a.txt", "C:\\b"}) {
        for (const char* c = name; *c; ++c) expected.insert(expected.end(), {BYTE(*c), 0});
        expected.insert(expected.end(), {0, 0});
    }
    expected.insert(expected.end(), 5, 0);
    ASSERT_EQ(expected.size(), 53u);
    EXPECT_EQ(DropItemBytes(), expected);

    CStringList paths, names;
    EXPECT_TRUE(manager_->GetFileListFromClipboard(paths, names));
    EXPECT_EQ(Strings(paths), (std::vector<std::string>{"C:\\a.txt", "C:\\b"}));
    EXPECT_EQ(Strings(names), (std::vector<std::string>{"a.txt", "b"}));
}

TEST_F(ClipboardListTest, BytesAboveAsciiAndSlashPathsComeBackUnchanged) {
    CStringList files;
    Fill(files, {"/home/\xC3\xA9t\xC3\xA9/r\xE9sum\xE9.bin", "D:\\x/y"});
    manager_->CopyFileListToClipboard(files);
    CStringList paths, names;
    Fill(paths, {"kept"});
    EXPECT_TRUE(manager_->GetFileListFromClipboard(paths, names));
    EXPECT_EQ(Strings(paths), (std::vector<std::string>{
                                  "kept", "/home/\xC3\xA9t\xC3\xA9/r\xE9sum\xE9.bin", "D:\\x/y"}));
    EXPECT_EQ(Strings(names), (std::vector<std::string>{"r\xE9sum\xE9.bin", "x/y"}));
}

TEST_F(ClipboardListTest, APathWithoutSeparatorStopsTheListButKeepsWhatCameBefore) {
    CStringList files;
    Fill(files, {"C:\\one", "/two", "three", "C:\\four"});
    manager_->CopyFileListToClipboard(files);
    CStringList paths, names;
    EXPECT_FALSE(manager_->GetFileListFromClipboard(paths, names));
    EXPECT_EQ(Strings(paths), (std::vector<std::string>{"C:\\one", "/two"}));
    EXPECT_EQ(Strings(names), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ClipboardListTest, AnEmptyListOrAClipboardHeldByAnotherThreadLeavesItAsItWas) {
    CStringList paths, names;
    EXPECT_FALSE(manager_->GetFileListFromClipboard(paths, names));  // no file-drop item yet
    CStringList first, none;
    Fill(first, {"C:\\first"});
    manager_->CopyFileListToClipboard(first);
    const std::vector<BYTE> before = DropItemBytes();
    manager_->CopyFileListToClipboard(none);
    EXPECT_EQ(DropItemBytes(), before);

    std::promise<void> opened, done;
    std::thread holder([&] {
        // Held for a window: Wine lets anyone open a clipboard held for none.
        HWND owner = quorvex::platform::CreateMessageWindow();
        OpenClipboard(owner);
        opened.set_value();
        done.get_future().wait();
        CloseClipboard();
        DestroyWindow(owner);
    });
    opened.get_future().wait();
    CStringList second;
    Fill(second, {"C:\\second"});
    manager_->CopyFileListToClipboard(second);
    // The item is there but cannot be had while the clipboard is held.
    EXPECT_TRUE(manager_->GetFileListFromClipboard(paths, names));
    EXPECT_TRUE(paths.IsEmpty());
    done.set_value();
    holder.join();
    EXPECT_EQ(DropItemBytes(), before);
}

TEST(SplitFileNameTest, LastBackslashFirstThenLastSlash) {
    CQuorvexManager* manager = CQuorvexManager::Instance();
    struct Case {
        const char* path;
        bool ok;
        const char* name;
        const char* error;
    };
    const Case cases[] = {
        {"C:/data/log.bin", true, "log.bin", ""},
        {"C:\\dir/x", true, "dir/x", ""},
        {"C:\\dir\\", true, "", ""},
        {"\\x", true, "x", ""},
        {"readme.txt", false, "unchanged", "Invalid file path: \"readme.txt\"."},
        {"", false, "unchanged", "Invalid file path: \"\"."},
    };
    for (const Case& c : cases) {
        CString name("unchanged"), error("old error");
        EXPECT_EQ(manager->SplitFileName(c.path, name, error), c.ok) << c.path;
        EXPECT_EQ(std::string(name), c.name) << c.path;
        EXPECT_EQ(std::string(error), c.error) << c.path;
    }
}

// The multi-link library is not beside this program, so every probe is
// answered by the stand-by object.
TEST(DeviceProbeWithoutLibraryTest, NoSlotIsEverFree) {
    CQuorvexManager* manager = CQuorvexManager::Instance();
    ASSERT_EQ(LoadLibraryA("Portlane.dll"), nullptr);
    manager->SetDeviceAbsent(0);
    EXPECT_FALSE(manager->FindFreeDevice());
    EXPECT_EQ(manager->GetDeviceAbsent(), 1);
    for (int slot = 0; slot < 5; ++slot) EXPECT_FALSE(manager->IsDeviceFree(slot));
    EXPECT_EQ(manager->GetFirstFreeDevice(), -1);
    EXPECT_EQ(manager->GetNextFreeDevice(2), -1);
}

}  // namespace
