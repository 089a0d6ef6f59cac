// Listing, file and directory management and a target without its optional
// commands, through the module and the simulated target, in-process and over TCP.
#include <algorithm>
#include <tuple>

#include "EndToEndFixture.h"
#include "fileservices/ResultCodes.h"

namespace quorvex::testing {
namespace {

class FlashManagementTest : public EndToEndTest, public ::testing::WithParamInterface<Route> {};

// 40 entries of about 80 bytes each: the listing takes at least three of the
// target's 1024-byte packets, on both the narrow and the wide layout.
const int kListed = 40;

class ListingTest : public EndToEndTest,
                    public ::testing::WithParamInterface<std::tuple<Route, const char*>> {};

TEST_P(ListingTest, SeveralPacketsOnBothCores) {
    const auto [route, version] = GetParam();
    sim::SimConfig config = sim::DefaultSimConfig();
    config.cp.fdi_version = config.ap.fdi_version = version;
    // The host looks for an FDI71 core's files on "mfm".
    if (std::string(version) == "FDI71") config.cp.volumes.front().name = "mfm";
    Serve(route, config);
    for (eTargetType side : {TARGET_TYPE_CP, TARGET_TYPE_AP}) {
        SCOPED_TRACE(side);
        CFlashExplorerData& flash = Open(side);
        std::vector<std::string> made;
        for (int i = 0; i < kListed; ++i) {
            char name[64];
            std::snprintf(name, sizeof(name), "directory-with-a-rather-long-name-number-%02d", i);
            unsigned int fdi = 0;
            ASSERT_EQ(flash.MakeDir(name, 0755, fdi), UE_SUCCESS) << name;
            made.push_back(name);
        }
        WritePc("one.bin", "12345");
        ASSERT_EQ(flash.WriteFile("one.bin", PcPath("one.bin").c_str(), 0), UE_SUCCESS);
        made.push_back("one.bin");
        // The target lists in name order and the module puts each entry in
        // front of the ones before it.
        std::sort(made.rbegin(), made.rend());
        EXPECT_EQ(Names(flash), made);
        EXPECT_EQ(Entry(flash, "one.bin").m_dwSize, 5u);
    }
}

std::string ListingName(const ::testing::TestParamInfo<std::tuple<Route, const char*>>& info) {
    return RouteName({std::get<0>(info.param), info.index}) + "_" + std::get<1>(info.param);
}

INSTANTIATE_TEST_SUITE_P(RoutesAndVersions, ListingTest,
                         ::testing::Combine(::testing::Values(Route::kInProcess, Route::kTcp),
                                            ::testing::Values("FDI5", "FDI6", "FDI7", "FDI71")),
                         ListingName);

TEST_P(FlashManagementTest, RenameRemoveDirectoriesAndModes) {
    Serve(GetParam());
    for (eTargetType side : {TARGET_TYPE_CP, TARGET_TYPE_AP}) {
        SCOPED_TRACE(side);
        CFlashExplorerData& flash = Open(side);
        WritePc("a.bin", "content");
        ASSERT_EQ(flash.WriteFile("a.bin", PcPath("a.bin").c_str(), 0), UE_SUCCESS);

        EXPECT_EQ(flash.RenameFile("a.bin", "b.bin"), UE_SUCCESS);
        EXPECT_EQ(Names(flash), std::vector<std::string>{"b.bin"});
        EXPECT_EQ(flash.RenameFile("a.bin", "c.bin"), UE_RENAME_ERROR);

        EXPECT_EQ(flash.ChangeMode("b.bin", 0444), UE_SUCCESS);
        const CFdiFile entry = Entry(flash, "b.bin");
        EXPECT_EQ(entry.m_wAttributes, 0444);
        EXPECT_TRUE(entry.IsReadOnly());
        EXPECT_EQ(flash.ChangeMode("missing.bin", 0644), UE_CHANGE_MODE_ERROR);

        unsigned int fdi = 0;
        ASSERT_EQ(flash.MakeDir("logs", 0700, fdi), UE_SUCCESS);
        EXPECT_EQ(flash.MakeDir("logs", 0700, fdi), UE_MKDIR_ERROR);
        ASSERT_EQ(flash.WriteFile("logs/inner.bin", PcPath("a.bin").c_str(), 0), UE_SUCCESS);
        EXPECT_EQ(flash.RemoveDir("logs"), UE_RMDIR_ERROR);
        EXPECT_EQ(flash.RemoveFile("logs/inner.bin"), UE_SUCCESS);
        EXPECT_EQ(flash.RemoveDir("logs"), UE_SUCCESS);

        EXPECT_EQ(flash.RemoveFile("b.bin"), UE_REMOVE_ERROR);  // read-only
        EXPECT_EQ(flash.ChangeMode("b.bin", 0600), UE_SUCCESS);
        EXPECT_EQ(flash.RemoveFile("b.bin"), UE_SUCCESS);
        EXPECT_EQ(flash.RemoveFile("b.bin"), UE_REMOVE_ERROR);
        EXPECT_EQ(Names(flash), std::vector<std::string>{});
    }
}

TEST_P(FlashManagementTest, TargetWithoutOptionalCommands) {
    sim::SimConfig config = sim::DefaultSimConfig();
    for (const std::string& name : sim::OptionalCommandNames()) {
        config.cp.commands.erase(name);
        config.ap.commands.erase(name);
    }
    Serve(GetParam(), config);
    for (eTargetType side : {TARGET_TYPE_CP, TARGET_TYPE_AP}) {
        SCOPED_TRACE(side);
        CFlashExplorerData& flash = Open(side);
        EXPECT_FALSE(flash.ResetBoard());
        // Transfers fall back to the host's own packet sizes.
        RoundTrip(flash, "a.bin", Pattern(5000, 5), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, FlashManagementTest,
                         ::testing::Values(Route::kInProcess, Route::kTcp), RouteName);

}  // namespace
}  // namespace quorvex::testing
