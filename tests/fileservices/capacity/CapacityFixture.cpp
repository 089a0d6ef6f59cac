// Set-up shared by the format, capacity and board tests.
#include "CapacityFixture.h"

#include <cstdlib>
#include <filesystem>

#include "cmdlib/Connection.h"
#include "hostlib/trace.h"

void CapacityTest::SetUp() {
    home_ =
        (std::filesystem::temp_directory_path() /
         ("quorvex-capacity-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
            .string();
    std::filesystem::create_directories(home_);
    setenv("QUORVEX_HOME", home_.c_str(), 1);
    quorvex::host::SetTraceSink(std::make_shared<quorvex::host::MemoryTraceSink>());
    Drain();
    previous_ = CFdiExchange::SetInspector(
        [this](CFdiExchange::Call call, const CZENTOMessage& command, const CZENTOMessage& reply,
               const CStringList& expected, DWORD) {
            SeenCall seen{call,
                          command.Name.GetString(),
                          reply.DataLength,
                          {},
                          quorvex::platform::ActiveTimers(window_)};
            for (POSITION pos = expected.GetHeadPosition(); pos;) {
                seen.expected.push_back(expected.GetNext(pos).GetString());
            }
            seen_.push_back(seen);
        });
}

void CapacityTest::TearDown() {
    flash_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
    CFdiExchange::SetInspector(previous_);
    quorvex::link::Disconnect();
    quorvex::host::SetTraceSink(nullptr);
    std::filesystem::remove_all(home_);
}

CFlashExplorerData& CapacityTest::Start(int side, const std::vector<std::string>& cp,
                                        const std::vector<std::string>& ap, const char* instance) {
    flash_.reset();
    seen_.clear();
    target_ = std::make_shared<quorvex::link::ScriptedTarget>();
    target_->AddCommands(0, cp);
    target_->AddCommands(1, ap);
    quorvex::link::ConnectScripted(target_);
    flash_ = CFlashExplorerDataTestAccess::Create();
    flash_->m_nTargetType = static_cast<eTargetType>(side);
    flash_->m_strInstanceName = instance;
    return *flash_;
}

std::vector<Progress> CapacityTest::Drain(HWND hwnd) {
    std::vector<Progress> out;
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_TIMER) out.push_back({msg.message, msg.wParam, msg.lParam});
    }
    return out;
}

Bytes Le(std::uint64_t value, int width) {
    Bytes out;
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}
