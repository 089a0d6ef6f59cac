// Which core and handler answers a command when names repeat or differ in one
// part, and what looking at a flash image does to it.
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

namespace fs = std::filesystem;

TEST(CommandRoutes, EachCommandIsAnsweredByItsCoreServiceModuleAndName) {
    TestTarget target;
    target.config.cp.commands.erase("FDI__Transport__Fseek");
    Harness h(target.config);
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

Bytes FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ImageOpen, RunsThatOnlyLookLeaveTheImageByteForByte) {
    const fs::path dir = fs::temp_directory_path() / ("quorvex_look_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    TestTarget target;
    target.config.image_dir = dir.string();
    {
        Harness h(target.config);
        ASSERT_TRUE(h.Put(0, "a.txt", Text("kept")));
    }
    const Bytes before = FileBytes(dir / "flash.db");
    ASSERT_FALSE(before.empty());
    const struct {
        const char* command;
        Bytes data;
        const char* answer;
    } looks[] = {
        {"FDI__Transport__GetFdiVersion", {}, "FDI6"},
        {"FDI__Transport__FStatus", Path("a.txt"), "F_Status_Success"},
        {"FDI__Transport__FStatus", Path("rfm/none"), "F_Status_Error"},  // a RAM volume
    };
    for (const auto& look : looks) {
        {
            Harness h(target.config);
            EXPECT_EQ(h.Name(0, look.command, look.data), look.answer);
            EXPECT_EQ(h.Get(0, "a.txt"), Text("kept"));
        }
        EXPECT_EQ(FileBytes(dir / "flash.db"), before) << look.command;
    }
    fs::remove_all(dir);
}

TEST(ImageOpen, AnImageMissingATableIsRefusedAtOpen) {
    const fs::path dir =
        fs::temp_directory_path() / ("quorvex_missing_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    TestTarget target;
    target.config.image_dir = dir.string();
    { Harness h(target.config); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "flash.db").string().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DROP TABLE chunks", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::string error;
    EXPECT_EQ(Simulator::Create(target.config, &error), nullptr);
    EXPECT_NE(error.find("tables of the image are missing"), std::string::npos) << error;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quorvex::sim::testing
