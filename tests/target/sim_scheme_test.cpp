// The "sim" endpoint: the simulated target reached through the command
// library's connection registry and its in-process transport.
#include <unistd.h>

#include <filesystem>

#include "TargetHarness.h"
#include "cmdlib/Connection.h"
#include "target/SimScheme.h"

namespace quorvex::sim::testing {
namespace {

link::ReportFrame Exchange(std::uint32_t id, const std::string& name, const Bytes& data) {
    auto transport = link::CurrentTransport();
    link::CommandFrame c;
    c.service = "FDI";
    c.module = "Transport";
    c.name = name;
    c.data = data;
    link::ReportFrame r;
    EXPECT_EQ(transport->Send(id, c), 0);
    EXPECT_EQ(transport->Receive(id, 5000, &r), 0) << name;
    transport->Forget(id);
    return r;
}

TEST(SimScheme, ImageDirectoryPersistsAcrossConnections) {
    RegisterSimScheme();
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quorvex_sim_scheme_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::string error;
    ASSERT_EQ(link::Connect("sim:" + dir.string(), &error), 0) << error;
    EXPECT_EQ(link::CurrentTransport()->welcome().ap.os_type, 3);
    EXPECT_EQ(Exchange(1, "GetFdiVersion", {}).name, "FDI6");
    EXPECT_EQ(Exchange(2, "MkDir", MkDirParams("dfm/kept")).name, "mkdir_Success");

    ASSERT_EQ(link::Connect("sim:" + dir.string(), &error), 0) << error;
    EXPECT_EQ(Exchange(3, "FStatus", Path("dfm/kept")).name, "F_Status_Success");
    ASSERT_EQ(link::Connect("sim:", &error), 0) << error;
    EXPECT_EQ(Exchange(4, "FStatus", Path("dfm/kept")).name, "F_Status_Error");
    link::Disconnect();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quorvex::sim::testing
