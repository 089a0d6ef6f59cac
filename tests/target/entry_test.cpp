// Entry management, path rules, format and board commands of the simulated target,
// and which core and handler answers a command.
#include <algorithm>

#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

std::string Rename(Harness& h, int side, std::string_view from, std::string_view to) {
    return h.Name(side, "RenameFile", Concat(Field(from, 256), Field(to, 256)));
}

TEST(FlashEntries, RenameMovesEntriesAndRefusesConflicts) {
    Harness h;
    ASSERT_TRUE(h.Put(0, "a", Text("A")));
    ASSERT_TRUE(h.Put(0, "b", Text("B")));
    ASSERT_EQ(h.MakeDir(0, "d").name, "mkdir_Success");

    // Taken, missing, no such folder, another volume, into itself.
    const char* refused[][2] = {
        {"dfm/a", "dfm/b"}, {"missing", "c"}, {"a", "nodir/c"}, {"a", "rfm/a"}, {"d", "d/inside"}};
    for (const auto& [from, to] : refused)
        EXPECT_EQ(Rename(h, 0, from, to), "F_Rename_Error") << from;
    EXPECT_EQ(h.Name(0, "RenameFile", Field("a", 256)), "F_Rename_Error");

    EXPECT_EQ(Rename(h, 0, "dfm/a", "dfm/d/c"), "F_Rename_Success");
    EXPECT_EQ(h.Get(0, "d/c"), Text("A"));
    EXPECT_EQ(h.Get(0, "a"), Text("<missing>"));
    EXPECT_EQ(Rename(h, 0, "d", "e"), "F_Rename_Success");
    EXPECT_EQ(h.Get(0, "e/c"), Text("A"));

    // An open file follows a rename; a new one exists only once closed.
    const std::int32_t fresh = h.Open(1, "fresh", "wb+");
    EXPECT_EQ(Rename(h, 1, "fresh", "other"), "F_Rename_Error");
    h.Close(1, fresh);
    ASSERT_TRUE(h.Put(1, "old", {}));
    const std::int32_t id = h.Open(1, "old", "r+");
    ASSERT_EQ(Rename(h, 1, "old", "new"), "F_Rename_Success");
    ASSERT_TRUE(h.WriteAll(1, id, Text("data")));
    h.Close(1, id);
    EXPECT_EQ(h.Get(1, "new"), Text("data"));
}

TEST(FlashEntries, ModesGuardFilesAndShowInTheStatusWord) {
    Harness h;
    ASSERT_TRUE(h.Put(0, "f", Text("x")));
    ASSERT_EQ(h.ChangeMode(0, "f", 0444), "F_ChangeMode_Success");
    EXPECT_EQ(h.Remove(0, "f"), "Remove_Error");
    EXPECT_EQ(h.Open(0, "f", "ab"), -1);
    EXPECT_EQ(h.ChangeMode(0, "missing", 0777), "F_ChangeMode_Error");
    EXPECT_EQ(h.Name(0, "FchangeMode", Field("f", 256)), "F_ChangeMode_Error");

    ASSERT_EQ(h.ChangeMode(0, "f", 0777), "F_ChangeMode_Success");
    const std::int32_t id = h.Open(0, "f", "rb");
    EXPECT_EQ(h.Remove(0, "f"), "Remove_Error");  // still open
    h.Close(0, id);
    EXPECT_EQ(h.Remove(0, "f"), "Remove_Success");
    EXPECT_EQ(h.Remove(0, "f"), "Remove_Error");

    // The status word is the mode with a directory flag.
    ASSERT_TRUE(h.Put(0, "f", {}));
    ASSERT_EQ(h.ChangeMode(0, "f", 0100600), "F_ChangeMode_Success");  // type bits dropped
    ASSERT_EQ(h.MakeDir(0, "d", 0700).name, "mkdir_Success");
    const auto file = h.One(0, "FStatus", Path("f"));
    EXPECT_EQ(file.name, "F_Status_Success");
    EXPECT_EQ(file.data, (Bytes{0x80, 0x01}));
    EXPECT_EQ(h.Mode(0, "d"), 0x4000u | 0700);
    EXPECT_EQ(h.Name(0, "FStatus", Path("nothing")), "F_Status_Error");
    EXPECT_EQ(h.Name(0, "FStatus", Text("f")), "F_Status_Error");
}

TEST(FlashEntries, DirectoriesAnswerErrnoLikeMkdirCodes) {
    Harness h([](SimConfig& c) { c.cp.max_entries = 3; });
    const auto made = h.MakeDir(0, "dfm/d");
    EXPECT_EQ(made.name, "mkdir_Success");
    EXPECT_EQ(made.data, Bytes(4, 0));
    EXPECT_EQ(h.MakeDir(0, "dfm/d").data, Text(": 17"));
    EXPECT_EQ(h.MakeDir(0, "dfm/x/y").data, Concat(Text(": 2"), {0}));
    EXPECT_EQ(h.MakeDir(0, "dfm/../y").data, Text(": 22"));
    EXPECT_EQ(h.Name(0, "MkDir", Field("z", 256)), "mkdir_Error");

    ASSERT_TRUE(h.Put(0, "d/f", {}));
    EXPECT_EQ(h.Name(0, "RmDir", Path("d")), "Rmdir_Error");  // not empty
    EXPECT_EQ(h.Name(0, "RmDir", Path("d/f")), "Rmdir_Error");
    EXPECT_EQ(h.Name(0, "RmDir", Path("dfm")), "Rmdir_Error");
    ASSERT_EQ(h.MakeDir(0, "e").name, "mkdir_Success");
    EXPECT_EQ(h.MakeDir(0, "g").data, Text(": 28"));  // entry limit
    EXPECT_EQ(h.Remove(0, "d/f"), "Remove_Success");
    EXPECT_EQ(h.Name(0, "RmDir", Path("d")), "Rmdir_Success");
    EXPECT_EQ(h.MakeDir(0, "g").name, "mkdir_Success");
}

TEST(FlashPaths, NamesNeverLeaveTheirVolume) {
    Harness h;
    const std::size_t longest = TestTarget().config.cp.max_file_name_len;
    const std::string long_name(longest + 1, 'n');
    for (const std::string& bad : std::vector<std::string>{
             "../x", "dfm/../x", "dfm/./x", "/etc/passwd", "/", "dfm\\x", "a@b", "a*", "q?",
             "dfm/" + long_name, std::string("tab\tname"), "dfm/" + std::string(300, 'p')}) {
        EXPECT_EQ(h.Open(0, bad, "wb+"), -1) << bad;
        EXPECT_EQ(h.MakeDir(0, bad).name, "mkdir_Error") << bad;
    }
    EXPECT_EQ(h.Name(0, "FStatus", Bytes{'a', 0, 'b', 0}), "F_Status_Error");
    EXPECT_EQ(h.Name(0, "GetFileNameList", Path("dfm/*")), "FName_LIST_NOTEXISTS");
    // Only the component limit counts: the longest name itself is fine.
    EXPECT_TRUE(h.Put(0, std::string(longest, 'n'), {}));
}

TEST(FlashPaths, VolumePrefixDefaultVolumeAndExtendedRootMeet) {
    Harness h;
    ASSERT_TRUE(h.Put(1, "/data/Linux/Vendrix/NVM/x", Text("1")));
    for (const char* path : {"mfm/x", "x", "mfm//x"}) EXPECT_EQ(h.Get(1, path), Text("1")) << path;
    EXPECT_EQ(h.Get(1, "/RTOS/Vendrix/NVM/x"), Text("<missing>"));  // not this OS

    Harness without([](SimConfig& c) { c.ap.commands.erase("FDI__Transport__ExtendedMode"); });
    EXPECT_EQ(without.Open(1, "/data/Linux/Vendrix/NVM/x", "wb+"), -1);
}

TEST(FlashFormat, WipesTheVolumeUnlessFilesAreOpen) {
    Harness h;
    ASSERT_TRUE(h.Put(0, "a", Bytes(1000, 1)));
    ASSERT_TRUE(h.Put(0, "rfm/r", Bytes(10, 1)));
    const std::int32_t id = h.Open(0, "a", "rb");
    EXPECT_EQ(h.Name(0, "Format_Flash", Field("dfm", 4)), "Format_Error");
    EXPECT_EQ(h.Name(0, "Format_volume", Field("dfm", 4)), "Format_Error");
    h.Close(0, id);
    const std::int32_t ram = h.Open(0, "rfm/r", "rb");
    EXPECT_EQ(h.Name(0, "Format_volume", Field("rfm", 4)), "Format_Failure_RAM");
    EXPECT_EQ(h.Name(0, "Format_Flash", Field("rfm", 4)), "Format_Error");
    h.Close(0, ram);

    for (const Bytes& bad : {Field("xyz", 4), Bytes{'d', 0}})
        EXPECT_EQ(h.Name(0, "Format_volume", bad), "Format_Error");
    EXPECT_EQ(h.Name(0, "Format_Flash", Field("", 4)), "Format_Success");
    EXPECT_EQ(h.Free(0, "dfm"), 64 * 1024);
    EXPECT_EQ(h.Get(0, "a"), Text("<missing>"));
    EXPECT_EQ(h.Get(0, "rfm/r"), Bytes(10, 1));

    TestTarget longer;
    longer.config.ap.volumes = {{"mfm", 4096, false}, {"userdata", 4096, false}};
    Harness h2(longer.config);
    ASSERT_TRUE(h2.Put(1, "userdata/u", Bytes(5, 1)));
    EXPECT_EQ(h2.Name(1, "Format_volume", Text("user")), "Format_Success");
    EXPECT_EQ(h2.Free(1, "userdata"), 4096);
}

TEST(Board, QueriesAnswerTheConfiguredFigures) {
    Harness h([](SimConfig& c) {
        c.cp.fdi_version = "FDI5";
        c.ap.out_msg_body_limit = 2000;
        c.ap.max_file_name_len = 40;
    });
    EXPECT_EQ(h.One(0, "GetFdiVersion").FullName(), "FDI__Transport__FDI5");
    EXPECT_EQ(h.One(7, "GetFdiVersion").name, "FDI71");  // any other side is AP
    EXPECT_EQ(LeAt(h.One(1, "Diag__Utils__OutMsgBodyLimit").data, 0, 4), 2000u);
    EXPECT_EQ(h.One(1, "Diag__Utils__InMsgBodyLimit").FullName(), "Diag__Utils__MaxInMsgBodySize");
    EXPECT_EQ(LeAt(h.One(1, "GetMaxFileNameLen").data, 0, 4), 40u);
    const auto size = h.One(0, "GetFdiFdvSize");
    EXPECT_EQ(size.name, "FdvSpace");
    EXPECT_EQ(size.data, (Bytes{0, 0, 1, 0, 0, 0, 0, 0}));  // 64 KiB in eight bytes
    // Volume names in ten-byte slots after their count.
    const auto volumes = h.One(0, "GetFdiVolumes");
    EXPECT_EQ(volumes.name, "GetFdiVolumes_List");
    EXPECT_EQ(volumes.data, Concat(Concat({2}, Field("dfm", 10)), Field("rfm", 10)));
}

TEST(Board, ClockAcceptsValidTimesOncePerBootWhenSoConfigured) {
    Harness h([](SimConfig& c) { c.ap.rtc_set_once = true; });
    EXPECT_EQ(h.Name(0, "Diag__Utils__SetRTC", Rtc(2009, 2, 29, 0, 0, 0)), "SetRTC_Failure");
    EXPECT_EQ(h.Name(0, "Diag__Utils__SetRTC", Rtc(2009, 12, 31, 24, 0, 0)), "SetRTC_Failure");
    EXPECT_EQ(h.Name(0, "Diag__Utils__SetRTC", Bytes{1, 2, 3}), "SetRTC_Failure");
    EXPECT_EQ(h.Name(0, "Diag__Utils__SetRTC", Rtc(2009, 12, 31, 23, 59, 58)), "SetRTC_Success");
    EXPECT_EQ(h.Name(0, "Diag__Utils__SetRTC", Rtc(2010, 1, 1, 0, 0, 0)), "SetRTC_Success");

    EXPECT_EQ(h.Name(1, "Diag__Utils__SetRTC", Rtc(2024, 2, 29, 12, 0, 0)), "SetRTC_Success");
    EXPECT_EQ(h.Name(1, "Diag__Utils__SetRTC", Rtc(2024, 3, 1, 12, 0, 0)), "RTC_Already_Set");
    EXPECT_TRUE(h.Send(1, "Layer1__Calibration__ResetBoardUsingWD", {}, false).empty());
    EXPECT_EQ(h.Name(1, "Diag__Utils__SetRTC", Rtc(2024, 3, 1, 12, 0, 0)), "SetRTC_Success");
}

TEST(Board, ResetIsNeverAnsweredAndClosesFilesOnBothCores) {
    Harness h;
    ASSERT_TRUE(h.Put(0, "rfm/r", Text("ram")));
    ASSERT_TRUE(h.Put(0, "f", Text("flash")));
    const std::int32_t cp = h.Open(0, "f", "rb");
    const std::int32_t ap = h.Open(1, "g", "wb+");
    EXPECT_TRUE(h.Send(1, "SW_PLAT__CONTROL__restartCmd", {}, true).empty());
    EXPECT_EQ(h.sim().open_files(0) + h.sim().open_files(1), 0u);
    EXPECT_EQ(h.Close(0, cp), "F_Close_Error");
    EXPECT_EQ(h.Close(1, ap), "F_Close_Error");
    EXPECT_EQ(h.Get(0, "f"), Text("flash"));
    EXPECT_EQ(h.Get(0, "rfm/r"), Text("<missing>"));
}

TEST(CommandDatabase, CommandsOutsideTheDatabaseAreNotAnswered) {
    Harness h([](SimConfig& c) {
        c.ap.commands.erase("FDI__Transport__Fseek");
        c.ap.commands.erase("SW_PLAT__CONTROL__restartCmd");
    });
    const auto welcome = h.sim().Hello("test");
    const auto& ap = welcome.ap.commands;
    EXPECT_EQ(std::count(ap.begin(), ap.end(), "FDI__Transport__Fseek"), 0);
    EXPECT_EQ(ap.size(), AllCommandNames().size() - 2);
    EXPECT_EQ(welcome.cp.commands, AllCommandNames());
    EXPECT_EQ(std::make_pair(welcome.cp.os_type, welcome.ap.os_type), std::make_pair(1, 3));

    ASSERT_TRUE(h.Put(1, "f", Text("x")));
    const std::int32_t id = h.Open(1, "f", "rb");
    EXPECT_TRUE(h.Send(1, "Fseek", Bytes(12, 0)).empty());
    EXPECT_TRUE(h.Send(1, "SW_PLAT__CONTROL__restartCmd", {}, false).empty());
    EXPECT_EQ(h.sim().open_files(1), 1u);  // the reset was ignored
    EXPECT_EQ(h.Name(0, "Fseek", Bytes(12, 0)), "Fseek_Error");
    EXPECT_TRUE(h.Send(1, "NoSuchCommand", {}).empty());
    EXPECT_TRUE(h.Send(1, "ExtendedMode", {}, false).empty());
    h.Close(1, id);

    // A posted command still acts; only its answer is dropped.
    EXPECT_TRUE(h.Send(1, "Remove_File", Path("f"), false).empty());
    EXPECT_EQ(h.Name(1, "FStatus", Path("f")), "F_Status_Error");
}

TEST(CommandRoutes, EachCommandIsAnsweredByItsCoreServiceModuleAndName) {
    Harness h([](SimConfig& c) { c.cp.commands.erase("FDI__Transport__Fseek"); });
    // Neighbouring rows share all parts of the name but one, or the core.
    const struct {
        int side;
        const char* command;
        bool wants_reply;
        const char* answer;  // "" for no report
    } rows[] = {
        {0, "FDI__Transport__GetFdiVersion", true, "FDI6"},
        {1, "FDI__Transport__GetFdiVersion", true, "FDI71"},
        {1, "FDI__Other__GetFdiVersion", true, ""},
        {1, "Diag__Transport__GetFdiVersion", true, ""},
        {1, "FDI__Transport__GetMaxFileNameLen", true, "MaxFileNameLen"},
        {1, "FDI__Transport__GetFdiVersion", false, ""},
        {1, "FDI__Transport__GetFdiVersion", true, "FDI71"},
        {1, "FDI__Transport__Fseek", true, "Fseek_Error"},
        {0, "FDI__Transport__Fseek", true, ""},
        {0, "FDI__Transport__GetFdiVersion", true, "FDI6"},
    };
    for (const auto& row : rows) {
        const auto reports = h.Send(row.side, row.command, {}, row.wants_reply);
        EXPECT_EQ(reports.empty() ? "" : reports.front().name, row.answer)
            << row.side << " " << row.command;
    }
}

TEST(CommandDatabase, LegacyTargetsUseTheirOldSuccessNames) {
    Harness h([](SimConfig& c) { c.cp.legacy_report_names = true; });
    ASSERT_TRUE(h.Put(0, "a", {}));
    EXPECT_EQ(Rename(h, 0, "a", "b"), "F_Rename_Succes");
    EXPECT_EQ(h.Remove(0, "b"), "Remove_File");
    // Empty listings come under the upper-case module.
    EXPECT_EQ(h.One(0, "GetFileNameList", Path("*")).FullName(),
              "FDI__TRANSPORT__FName_LIST_NOTEXISTS");
}

TEST(SimConfigCheck, RefusesUnknownCommandsAndExpandsShortNames) {
    SimConfig c = DefaultSimConfig();
    c.cp.commands.insert("FDI__Transport__Bogus");
    std::string error;
    EXPECT_EQ(Simulator::Create(c, &error), nullptr);
    EXPECT_NE(error.find("Bogus"), std::string::npos);
    c = DefaultSimConfig();
    c.ap.in_msg_body_limit = 0;  // a read packet could carry nothing
    EXPECT_EQ(Simulator::Create(c, &error), nullptr);
    std::string full;
    EXPECT_TRUE(ExpandCommandName("restartCmd", &full));
    EXPECT_EQ(full, "SW_PLAT__CONTROL__restartCmd");
    EXPECT_FALSE(ExpandCommandName("Transport", &full));
}

}  // namespace
}  // namespace quorvex::sim::testing
