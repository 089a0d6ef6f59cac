// Garbage and short parameter blocks: the simulated target must neither crash
// nor answer with a report the host does not wait for.
#include <map>
#include <random>
#include <set>

#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

// Names under FDI__Transport__ go without that prefix here.
std::string Short(const std::string& name) {
    return name.rfind("FDI__Transport__", 0) == 0 ? name.substr(16) : name;
}

// The reports the host accepts for each command (its expected lists).
const std::map<std::string, std::set<std::string>> kHostExpects = {
    {"GetFdiVersion", {"FDI5", "FDI6", "FDI7", "FDI71"}},
    {"ExtendedMode", {}},
    {"GetFdiVolumes", {"GetFdiVolumes_List", "GetFdiVolumes_List_Err"}},
    {"GetFileNameList",
     {"Find_Error", "FName_LIST_Malloc_Error", "FDI__TRANSPORT__FName_LIST_NOTEXISTS",
      "FName_LIST_NOTEXISTS", "FDI__TRANSPORT__FName_LIST_NOTEXISTS_RAM",
      "FName_LIST_NOTEXISTS_RAM", "F_Name_List_Error", "F_NameList_Packet",
      "F_NameList_Packet_RAM"}},
    {"FStatus", {"F_Status_Success", "F_Status_Error"}},
    {"Fopen", {"F_Open_Error", "F_Open_Return_FileID", "F_Open_Return_FileID_RAM"}},
    {"Fread", {"F_Read_Bad_Input", "F_Read_Error", "F_Read_Packet", "F_Read_Malloc_Error"}},
    {"Fwrite", {"F_Write_Success", "F_Write_Error"}},
    {"Fclose", {"F_Close_Error", "F_Close_Success"}},
    {"Fseek", {"Fseek_Success", "Fseek_Success_RAM", "Fseek_Error", "Fseek_Error_RAM"}},
    {"RenameFile", {"F_Rename_Success", "F_Rename_Succes", "F_Rename_Error"}},
    {"Remove_File", {"Remove_File", "Remove_Success", "Remove_Error"}},
    {"FchangeMode", {"F_ChangeMode_Success", "F_ChangeMode_Error"}},
    {"MkDir", {"mkdir_Error", "mkdir_Success"}},
    {"RmDir", {"Rmdir_Success", "Rmdir_Error"}},
    {"GetMaxFileNameLen", {"MaxFileNameLen"}},
    {"Format_Flash", {"Format_Success", "Format_Error"}},
    {"Format_volume", {"Format_Failure_RAM", "Format_Success", "Format_Error"}},
    {"GetFdiFdvSize", {"FdvSpace"}},
    {"GetFdiFdvAvailableSpace",
     {"FdvAvailableSize", "FdvAvailableSize_RAM", "FdvAvailableSize_Error"}},
    {"Diag__Utils__InMsgBodyLimit", {"Diag__Utils__MaxInMsgBodySize"}},
    {"Diag__Utils__OutMsgBodyLimit", {"Diag__Utils__MaxOutMsgBodySize"}},
    {"Diag__Utils__SetRTC",
     {"Diag__Utils__SetRTC_Success", "Diag__Utils__SetRTC_Failure",
      "Diag__Utils__RTC_Already_Set"}},
    {"SW_PLAT__CONTROL__restartCmd", {}},
    {"Layer1__Calibration__ResetBoardUsingWD", {}},
};

void ExpectHostWouldAccept(const std::string& command, const std::vector<link::ReportFrame>& got,
                           const Bytes& data) {
    ASSERT_EQ(kHostExpects.count(Short(command)), 1u) << command << " has no expected answers";
    const auto& accepted = kHostExpects.at(Short(command));
    // Only the listing streams; everything else answers once or, posted, never.
    EXPECT_LE(got.size(), command == "FDI__Transport__GetFileNameList" ? 64u
                          : accepted.empty()                           ? 0u
                                                                       : 1u)
        << command;
    for (const auto& r : got) {
        EXPECT_EQ(accepted.count(Short(r.FullName())), 1u)
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
