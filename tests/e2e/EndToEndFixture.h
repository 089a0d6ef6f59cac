// Fixture of the end-to-end tests: the simulated target reached through a
// real connection, in-process or over TCP loopback, and a flash-access object
// of the shared module on it, used only through its exported interface.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ModuleTestEnvironment.h"
#include "Programs.h"
#include "cmdlib/SocketServer.h"
#include "fileservices/ResultCodes.h"
#include "quorvex/Quorvex.h"
#include "target/SimConfig.h"

namespace quorvex::testing {

enum class Route { kInProcess, kTcp };

std::string RouteName(const ::testing::TestParamInfo<Route>& info);

class EndToEndTest : public ModuleTest {
  protected:
    void TearDown() override;

    // Makes the default simulated target the process connection: the "sim:"
    // endpoint in-process, or a server on loopback.
    void Serve(Route route);
    // The same for a target built from `config`.
    void Serve(Route route, const sim::SimConfig& config);

    // A new flash-access object of this test (the old one deleted), on `side`,
    // made after the connection (a link binds the connection that exists when
    // it is made).
    CFlashExplorerData& Open(eTargetType side);

    std::string PcPath(const std::string& name) const { return home_ + "/" + name; }
    void WritePc(const std::string& name, const std::string& bytes) const {
        std::ofstream(PcPath(name), std::ios::binary) << bytes;
    }
    std::string ReadPc(const std::string& name) const { return ReadAll(PcPath(name)); }
    // Writes `bytes` to the flash file `name` (read back when `verify`) and
    // reads that into the PC file back.bin, which must then hold them.
    void RoundTrip(CFlashExplorerData& flash, const std::string& name, const std::string& bytes,
                   int verify) {
        WritePc(name, bytes);
        ASSERT_EQ(flash.WriteFile(name.c_str(), PcPath(name).c_str(), verify), UE_SUCCESS);
        ASSERT_EQ(flash.ReadFile(PcPath("back.bin").c_str(), name.c_str()), UE_SUCCESS);
        EXPECT_TRUE(ReadPc("back.bin") == bytes) << name;  // not printed: up to 8 MiB
    }

    // A fresh listing of the current folder: names in the order handed out.
    static std::vector<std::string> Names(CFlashExplorerData& flash);
    // The listed entry called `name`; a default entry when there is none.
    static CFdiFile Entry(CFlashExplorerData& flash, const std::string& name);

    std::unique_ptr<link::SocketServer> server_;
};

}  // namespace quorvex::testing
