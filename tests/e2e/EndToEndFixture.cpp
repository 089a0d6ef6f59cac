// The end-to-end fixture: connection set-up per route, the flash object, and
// PC-file and listing helpers.
#include "EndToEndFixture.h"

#include "cmdlib/Connection.h"
#include "cmdlib/InProcessTransport.h"
#include "cmdlib/SocketTransport.h"
#include "target/SimScheme.h"
#include "target/Simulator.h"

namespace quorvex::testing {
namespace {

const char kInstance[] = "end-to-end";

}  // namespace

std::string RouteName(const ::testing::TestParamInfo<Route>& info) {
    return info.param == Route::kInProcess ? "InProcess" : "Tcp";
}

void EndToEndTest::TearDown() {
    CFlashExplorerData::DeleteInstance(kInstance);
    link::Disconnect();
    server_.reset();
    ModuleTest::TearDown();
}

void EndToEndTest::Serve(Route route) {
    if (route == Route::kTcp) {
        Serve(route, sim::DefaultSimConfig());
        return;
    }
    sim::RegisterSimScheme();
    std::string error;
    ASSERT_EQ(link::Connect("sim:", &error), 0) << error;
}

void EndToEndTest::Serve(Route route, const sim::SimConfig& config) {
    std::string error;
    std::shared_ptr<link::TargetAgent> agent = sim::MakeTargetAgent(config, &error);
    ASSERT_TRUE(agent) << error;
    if (route == Route::kInProcess) {
        link::Attach(std::make_shared<link::InProcessTransport>(std::move(agent)));
        return;
    }
    server_ = std::make_unique<link::SocketServer>(std::move(agent));
    ASSERT_TRUE(server_->Start("tcp://127.0.0.1:0", &error)) << error;
    link::RegisterSocketSchemes();
    ASSERT_EQ(link::Connect(server_->address(), &error), 0) << error;
}

CFlashExplorerData& EndToEndTest::Open(eTargetType side) {
    // Any name but the GUI instance's starts on the communication core
    // without asking.
    CFlashExplorerData::DeleteInstance(kInstance);
    CFlashExplorerData* flash = CFlashExplorerData::Instance(kInstance);
    if (side != TARGET_TYPE_CP) flash->SetTargetType(side);
    return *flash;
}

std::vector<std::string> EndToEndTest::Names(CFlashExplorerData& flash) {
    flash.SetContentChanged(true);
    const CFdiFileList* list = nullptr;
    std::vector<std::string> names;
    EXPECT_EQ(flash.GetFileList(list, "*"), 0);
    if (list == nullptr) return names;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        names.emplace_back(static_cast<LPCSTR>(list->GetNext(pos).m_strName));
    }
    return names;
}

CFdiFile EndToEndTest::Entry(CFlashExplorerData& flash, const std::string& name) {
    flash.SetContentChanged(true);
    const CFdiFileList* list = nullptr;
    EXPECT_EQ(flash.GetFileList(list, "*"), 0);
    if (list == nullptr) return CFdiFile();
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const CFdiFile& entry = list->GetNext(pos);
        if (entry.m_strName == name.c_str()) return entry;
    }
    return CFdiFile();
}

}  // namespace quorvex::testing
