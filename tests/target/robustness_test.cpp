// Garbage and short parameter blocks: the simulated target must neither crash
// nor answer with a report the host does not wait for.
#include <map>
#include <random>
#include <set>

#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

// The reports the host accepts for each command (its expected lists).
const std::map<std::string, std::set<std::string>>& HostExpects() {
    static const std::map<std::string, std::set<std::string>> m = {
        {"FDI__Transport__GetFdiVersion",
         {"FDI__Transport__FDI5", "FDI__Transport__FDI6", "FDI__Transport__FDI7",
          "FDI__Transport__FDI71"}},
        {"FDI__Transport__ExtendedMode", {}},
        {"FDI__Transport__GetFdiVolumes",
         {"FDI__Transport__GetFdiVolumes_List", "FDI__Transport__GetFdiVolumes_List_Err"}},
        {"FDI__Transport__GetFileNameList",
         {"FDI__Transport__Find_Error", "FDI__Transport__FName_LIST_Malloc_Error",
          "FDI__TRANSPORT__FName_LIST_NOTEXISTS", "FDI__Transport__FName_LIST_NOTEXISTS",
          "FDI__TRANSPORT__FName_LIST_NOTEXISTS_RAM", "FDI__Transport__FName_LIST_NOTEXISTS_RAM",
          "FDI__Transport__F_Name_List_Error", "FDI__Transport__F_NameList_Packet",
          "FDI__Transport__F_NameList_Packet_RAM"}},
        {"FDI__Transport__FStatus",
         {"FDI__Transport__F_Status_Success", "FDI__Transport__F_Status_Error"}},
        {"FDI__Transport__Fopen",
         {"FDI__Transport__F_Open_Error", "FDI__Transport__F_Open_Return_FileID",
          "FDI__Transport__F_Open_Return_FileID_RAM"}},
        {"FDI__Transport__Fread",
         {"FDI__Transport__F_Read_Bad_Input", "FDI__Transport__F_Read_Error",
          "FDI__Transport__F_Read_Packet", "FDI__Transport__F_Read_Malloc_Error"}},
        {"FDI__Transport__Fwrite",
         {"FDI__Transport__F_Write_Success", "FDI__Transport__F_Write_Error"}},
        {"FDI__Transport__Fclose",
         {"FDI__Transport__F_Close_Error", "FDI__Transport__F_Close_Success"}},
        {"FDI__Transport__Fseek",
         {"FDI__Transport__Fseek_Success", "FDI__Transport__Fseek_Success_RAM",
          "FDI__Transport__Fseek_Error", "FDI__Transport__Fseek_Error_RAM"}},
        {"FDI__Transport__RenameFile",
         {"FDI__Transport__F_Rename_Success", "FDI__Transport__F_Rename_Succes",
          "FDI__Transport__F_Rename_Error"}},
        {"FDI__Transport__Remove_File",
         {"FDI__Transport__Remove_File", "FDI__Transport__Remove_Success",
          "FDI__Transport__Remove_Error"}},
        {"FDI__Transport__FchangeMode",
         {"FDI__Transport__F_ChangeMode_Success", "FDI__Transport__F_ChangeMode_Error"}},
        {"FDI__Transport__MkDir", {"FDI__Transport__mkdir_Error", "FDI__Transport__mkdir_Success"}},
        {"FDI__Transport__RmDir", {"FDI__Transport__Rmdir_Success", "FDI__Transport__Rmdir_Error"}},
        {"FDI__Transport__GetMaxFileNameLen", {"FDI__Transport__MaxFileNameLen"}},
        {"FDI__Transport__Format_Flash",
         {"FDI__Transport__Format_Success", "FDI__Transport__Format_Error"}},
        {"FDI__Transport__Format_volume",
         {"FDI__Transport__Format_Failure_RAM", "FDI__Transport__Format_Success",
          "FDI__Transport__Format_Error"}},
        {"FDI__Transport__GetFdiFdvSize", {"FDI__Transport__FdvSpace"}},
        {"FDI__Transport__GetFdiFdvAvailableSpace",
         {"FDI__Transport__FdvAvailableSize", "FDI__Transport__FdvAvailableSize_RAM",
          "FDI__Transport__FdvAvailableSize_Error"}},
        {"Diag__Utils__InMsgBodyLimit", {"Diag__Utils__MaxInMsgBodySize"}},
        {"Diag__Utils__OutMsgBodyLimit", {"Diag__Utils__MaxOutMsgBodySize"}},
        {"Diag__Utils__SetRTC",
         {"Diag__Utils__SetRTC_Success", "Diag__Utils__SetRTC_Failure",
          "Diag__Utils__RTC_Already_Set"}},
        {"SW_PLAT__CONTROL__restartCmd", {}},
        {"Layer1__Calibration__ResetBoardUsingWD", {}},
    };
    return m;
}

void ExpectHostWouldAccept(const std::string& command, const std::vector<link::ReportFrame>& got,
                           const Bytes& data) {
    ASSERT_EQ(HostExpects().count(command), 1u) << command << " has no expected answers";
    const auto& accepted = HostExpects().at(command);
    // Only the listing streams; everything else answers once or, posted, never.
    EXPECT_LE(got.size(), command == "FDI__Transport__GetFileNameList" ? 64u
                          : accepted.empty()                           ? 0u
                                                                       : 1u)
        << command;
    for (const auto& r : got) {
        EXPECT_EQ(accepted.count(r.FullName()), 1u)
            << command << " answered " << r.FullName() << " to " << data.size() << " bytes";
        EXPECT_LE(r.data.size(), 65535u);
    }
}

TEST(TargetRobustness, RandomAndShortParameterBlocksGetOnlyExpectedAnswers) {
    for (const char* version : {"FDI5", "FDI71"}) {
        TestTarget t;
        t.config.cp.fdi_version = version;
        t.config.cp.legacy_report_names = true;
        Harness h(t.config);
        ASSERT_TRUE(h.Put(0, "dfm/seed", Bytes(2000, 3)));
        ASSERT_TRUE(h.Put(0, "rfm/seed", Bytes(20, 3)));
        std::mt19937 rng(20240601);
        // Blocks that look like the host's, with the path fields pointing at
        // real entries, so the random tails reach past the first checks.
        const Bytes real_path = Field("dfm/seed", 256);
        for (int round = 0; round < 150; ++round) {
            for (const auto& name : AllCommandNames()) {
                Bytes data(rng() % 600);
                for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0 : rng());
                if (round % 3 == 1 && data.size() >= 256) {
                    std::copy(real_path.begin(), real_path.end(), data.begin());
                }
                if (round % 3 == 2) data.resize(rng() % 8);  // ids and counts cut short
                const int side = static_cast<int>(rng() % 3) - 1;
                ExpectHostWouldAccept(name, h.Send(side, name, data), data);
            }
        }
    }
}

}  // namespace
}  // namespace quorvex::sim::testing
