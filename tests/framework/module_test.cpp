// The resource-module chain and extension-module registration.
#include "framework/module.h"

#include <gtest/gtest.h>


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

}  // namespace
