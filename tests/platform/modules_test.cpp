// Module handles of loaded libraries and run-time loading of the probe library.
#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/module.h"

namespace {

using quorvex::platform::ModuleFromAddress;

int FunctionInTheProgram() {
    return 1;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

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

TEST(ModuleHandles, NullNameIsTheProgramAndItsFileNameIsCutToTheBuffer) {
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program, ModuleFromAddress(reinterpret_cast<const void*>(&FunctionInTheProgram)));
    EXPECT_TRUE(EndsWith(FileNameOf(nullptr), "/quorvex_platform_tests"));
    EXPECT_EQ(FileNameOf(program), FileNameOf(nullptr));

    HMODULE by_address = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&FunctionInTheProgram), &by_address));
    EXPECT_EQ(by_address, program);

    std::string full = FileNameOf(nullptr);
    char small[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), full.substr(0, sizeof small - 1));
}

TEST(RuntimeLoading, LoadFindCallAndFreeTheProbeButNoMissingLibrary) {
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("QvxProbe.dll"), nullptr);
    HMODULE probe = LoadLibraryA("QvxProbe.dll");
    ASSERT_NE(probe, nullptr) << quorvex::platform::LastErrorContext();
    EXPECT_EQ(GetModuleHandleA("QvxProbe.dll"), probe);
    EXPECT_EQ(LoadLibraryA("QvxProbe.dll"), probe);  // one more reference, same handle
    EXPECT_TRUE(EndsWith(FileNameOf(probe), "/libQvxProbe.so"));

    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(probe, "qvx_probe_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(probe, "qvx_no_such_entry"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // Exports of the probe's dependencies are not the probe's.
    EXPECT_EQ(GetProcAddress(probe, "malloc"), nullptr);

    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_FALSE(FreeLibrary(probe));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(LoadLibraryA("QvxAbsent.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("/nowhere\\libx.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(GetModuleHandleA(nullptr)));
}

}  // namespace
