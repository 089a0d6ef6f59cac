// Set-up shared by the listing, management, format, capacity and board tests.
#include "FlashOpsFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cmdlib/Connection.h"

namespace {

// Every object of the process shares one host folder, so it is chosen once,
// before the first object exists.
void UseTemporaryHome() {
    static const bool done = [] {
        const auto home = std::filesystem::temp_directory_path() /
                          ("quorvex-listing-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        ::setenv("QUORVEX_HOME", home.string().c_str(), 1);
        return true;
    }();
    (void)done;
}

std::vector<std::string> ListFromHead(const CStringList& list) {
    std::vector<std::string> names;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        names.emplace_back(static_cast<LPCSTR>(list.GetNext(pos)));
    }
    return names;
}

}  // namespace

void FlashOpsTest::SetUp() {
    UseTemporaryHome();
    Drain();
    traces_ = std::make_shared<quorvex::host::MemoryTraceSink>();
    previousSink_ = quorvex::host::SetTraceSink(traces_);

    target_ = std::make_shared<quorvex::link::ScriptedTarget>();
    // Only the application side offers the name-length query.
    target_->AddCommands(1, {"FDI__Transport__GetMaxFileNameLen"});
    transport_ = quorvex::link::ConnectScripted(target_);
    flash_ = Access::Create();
    UseSide(1);
    traces_->Clear();

    previous_ = CFdiExchange::SetInspector(
        [this](CFdiExchange::Call call, const CZENTOMessage& command, const CZENTOMessage& reply,
               const CStringList& expected, DWORD timeoutMs) {
            SeenExchange seen;
            seen.call = call;
            seen.name = static_cast<LPCSTR>(command.Name);
            if (command.Data != nullptr)
                seen.data.assign(command.Data, command.Data + command.DataLength);
            seen.side = command.Side;
            seen.replyService = static_cast<LPCSTR>(reply.Service);
            seen.replyModule = static_cast<LPCSTR>(reply.Module);
            seen.replyName = static_cast<LPCSTR>(reply.Name);
            seen.replyCapacity = reply.DataLength;
            seen.expected = ListFromHead(expected);
            seen.timeoutMs = timeoutMs;
            seen.timers = quorvex::platform::ActiveTimers(window_);
            seen_.push_back(std::move(seen));
        });
}

void FlashOpsTest::TearDown() {
    CFdiExchange::SetInspector(std::move(previous_));
    flash_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
    quorvex::link::Disconnect();
    quorvex::host::SetTraceSink(previousSink_);
    Drain();
}

void FlashOpsTest::UseSide(int side, const char* version, const char* prefix) {
    flash_->m_nTargetType = static_cast<eTargetType>(side);
    flash_->m_strFdiVersionCp = version;
    flash_->m_strFdiVersionAp = version;
    flash_->m_strVolumeAndPath = prefix;
}

CFlashExplorerData& FlashOpsTest::Start(int side, const std::vector<std::string>& cp,
                                        const std::vector<std::string>& ap, const char* instance) {
    flash_.reset();
    seen_.clear();
    target_ = std::make_shared<quorvex::link::ScriptedTarget>();
    target_->AddCommands(0, cp);
    target_->AddCommands(1, ap);
    transport_ = quorvex::link::ConnectScripted(target_);
    flash_ = Access::Create();
    flash_->m_nTargetType = static_cast<eTargetType>(side);
    flash_->m_strInstanceName = instance;
    return *flash_;
}

std::vector<Progress> FlashOpsTest::Drain(HWND hwnd) {
    std::vector<Progress> messages;
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_TIMER) messages.push_back({msg.message, msg.wParam, msg.lParam});
    }
    return messages;
}

Bytes NameListPacket(const std::string& text, std::int16_t count, std::uint8_t last) {
    return quorvex::link::PayloadBuilder().Text(text, 1024).I16(count).U8(last).U8(0);
}

Bytes PathBytes(const std::string& path) {
    Bytes bytes(path.begin(), path.end());
    bytes.push_back(0);
    return bytes;
}

Bytes Le(std::uint64_t value, int width) {
    Bytes out;
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}
