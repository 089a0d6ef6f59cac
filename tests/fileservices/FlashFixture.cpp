// Set-up shared by the flash file service tests.
#include "FlashFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

void PrintTo(const Progress& p, std::ostream* os) {
    *os << "{" << p.message << ", " << p.first << ", " << p.second << "}";
}
Progress Begin(WPARAM total, LPARAM kind) {
    return {WM_FLASH_PROGRESS_START, total, kind};
}
Progress Step(WPARAM amount) {
    return {WM_FLASH_PROGRESS_STEP, amount, 0};
}
Progress End() {
    return {WM_FLASH_PROGRESS_END, 0, 0};
}
std::vector<Progress> Steps(std::size_t count, WPARAM amount) {
    return std::vector<Progress>(count, Step(amount));
}
std::vector<Progress> Concat(std::initializer_list<std::vector<Progress>> parts) {
    std::vector<Progress> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

void FlashOpsTest::SetUp() {
    ModuleTest::SetUp();
    std::filesystem::create_directories(home_ + "/pc");
    // Only the application side offers the name-length query.
    Start(1, {}, {"FDI__Transport__GetMaxFileNameLen"}, "");
    UseSide(1);
    trace_->Clear();

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
            seen.expected = quorvex::testing::Strings(expected);
            seen.timeoutMs = timeoutMs;
            seen.timers = quorvex::platform::ActiveTimers(window_);
            seen_.push_back(std::move(seen));
        });
}

void FlashOpsTest::TearDown() {
    CFdiExchange::SetInspector(std::move(previous_));
    flash_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
    ModuleTest::TearDown();
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
    Reconnect();
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

void FlashOpsTest::WriteFile(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

Bytes FlashOpsTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FlashOpsTest::Exists(const std::string& path) {
    return std::filesystem::exists(path);
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

std::string Row(const CFdiFile& e) {
    return std::string(e.m_strName) + "|" + std::string(e.m_strTime) + "|" +
           std::string(e.m_strDate) + "|" + std::string(e.m_strSecondTime) + "|" +
           std::string(e.m_strSecondDate) + "|" + std::to_string(e.m_dwSize) + "|" +
           std::string(e.m_strSize) + "|" + std::to_string(e.m_wAttributes);
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}
