// Module handles of loaded libraries (run-time loading is tested through the
// module's device probe).
#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/module.h"

namespace {

using quorvex::platform::ModuleFromAddress;

std::string FileNameOf(HMODULE module) {
    char path[4096];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return std::string(path, length);
}

TEST(ModuleHandles, DllNameFindsTheLoadedSharedObject) {
    // The platform library itself is loaded, as libquorvex_platform.so.N.
    HMODULE platform = ModuleFromAddress(reinterpret_cast<const void*>(&GetModuleHandleA));
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(GetModuleHandleA("quorvex_platform.dll"), platform);
    EXPECT_EQ(GetModuleHandleA("quorvex_platform"), platform);
    EXPECT_EQ(GetModuleHandleA(FileNameOf(platform).c_str()), platform);
    EXPECT_NE(FileNameOf(platform).find("/libquorvex_platform.so"), std::string::npos);

    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("QUORVEX_PLATFORM.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleA("Quorvex.dll"), nullptr);
}

}  // namespace
