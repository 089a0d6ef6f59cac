// The resource-module chain, extension-module registration and the
// application message box.
#include "framework/module.h"

#include <gtest/gtest.h>

#include "framework/msgbox.h"

namespace {

using quorvex::framework::ExtensionModuleChain;
using quorvex::framework::ResourceSearchOrder;

HINSTANCE FakeModule(UINT_PTR n) {
    return reinterpret_cast<HINSTANCE>(n << 12);
}

TEST(ResourceChain, LibrariesJoinNewestFirstAndLeaveWithTheirModule) {
    const std::size_t before = ExtensionModuleChain().size();
    AFX_EXTENSION_MODULE first{};
    AFX_EXTENSION_MODULE second{};
    EXPECT_FALSE(AfxInitExtensionModule(first, nullptr));
    EXPECT_FALSE(first.bInitialized);
    ASSERT_TRUE(AfxInitExtensionModule(first, FakeModule(0x101)));
    ASSERT_TRUE(AfxInitExtensionModule(second, FakeModule(0x102)));
    EXPECT_EQ(first.hResource, FakeModule(0x101));

    new CDynLinkLibrary(first);
    new CDynLinkLibrary(second);
    auto chain = ExtensionModuleChain();
    ASSERT_EQ(chain.size(), before + 2);
    EXPECT_EQ(chain[0].module, FakeModule(0x102));
    EXPECT_EQ(chain[1].module, FakeModule(0x101));

    const auto order = ResourceSearchOrder();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], AfxGetResourceHandle());
    EXPECT_EQ(order[1], FakeModule(0x102));
    EXPECT_EQ(order[2], FakeModule(0x101));

    AfxTermExtensionModule(first);
    EXPECT_FALSE(first.bInitialized);
    chain = ExtensionModuleChain();
    ASSERT_EQ(chain.size(), before + 1);
    EXPECT_EQ(chain[0].module, FakeModule(0x102));
    AfxTermExtensionModule(second);
    EXPECT_EQ(ExtensionModuleChain().size(), before);

    // The current resource module comes first and defaults to the program.
    const HINSTANCE saved = AfxGetResourceHandle();
    AfxSetResourceHandle(nullptr);
    EXPECT_EQ(AfxGetResourceHandle(), AfxGetInstanceHandle());
    EXPECT_NE(AfxGetInstanceHandle(), nullptr);
    AfxSetResourceHandle(FakeModule(0x200));
    EXPECT_EQ(AfxGetResourceHandle(), FakeModule(0x200));
    EXPECT_EQ(ResourceSearchOrder().front(), FakeModule(0x200));
    EXPECT_EQ(ResourceSearchOrder().back(), AfxGetInstanceHandle());
    AfxSetResourceHandle(saved);
}

TEST(AppMessageBox, GoesToThePresenterWithTheAppCaption) {
    quorvex::platform::RecordingMessageBoxPresenter recorder(IDCANCEL);
    auto* saved = quorvex::platform::SetMessageBoxPresenter(&recorder);
    const int answer = AfxMessageBox("gl_IsFileExistInFlash() : BCG UI disabled in XNB.");
    const int second = AfxMessageBox("Sure?", MB_YESNO | MB_ICONQUESTION, 17);
    quorvex::platform::SetMessageBoxPresenter(saved);

    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(second, IDCANCEL);
    const auto boxes = recorder.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "gl_IsFileExistInFlash() : BCG UI disabled in XNB.");
    EXPECT_EQ(boxes[0].caption, "Quorvex");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

}  // namespace
