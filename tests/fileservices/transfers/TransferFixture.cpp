// Set-up shared by the transfer tests.
#include "TransferFixture.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cmdlib/Connection.h"
#include "platform/messages.h"

namespace quorvex::test {

void PrintTo(const Progress& p, std::ostream* os) {
    *os << "{" << p.message << ", " << p.first << ", " << p.second << "}";
}
Progress Start(WPARAM total, LPARAM kind) {
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

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}

void TransferFixture::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxtransfer.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    ::setenv("QUORVEX_HOME", home_.c_str(), 1);
    std::filesystem::create_directories(home_ + "/pc");
    TakeProgress();
}

void TransferFixture::TearDown() {
    object_.reset();
    flash_.reset();
    link::Disconnect();
    TakeProgress();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

void TransferFixture::Connect(const TargetSetup& setup) {
    fdi5_ = setup.version == "FDI5";
    target_ = std::make_shared<link::ScriptedTarget>();
    target_->AddCommands(setup.side, setup.commands);
    if (setup.simulated)
        flash_ = std::make_unique<SimFlash>(target_, setup.version, setup.commands, setup.capacity);
    link::ConnectScripted(target_);

    object_ = Access::Create();
    object_->m_nTargetType = static_cast<eTargetType>(setup.side);
    object_->m_strFdiVersionCp = setup.version.c_str();
    object_->m_strFdiVersionAp = setup.version.c_str();
    object_->m_strInstanceName = setup.instance.c_str();
    object_->m_strVolumeAndPath = "dfm/";
}

std::vector<Progress> TransferFixture::TakeProgress() {
    std::vector<Progress> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message >= WM_FLASH_PROGRESS_START && msg.message <= WM_FLASH_PROGRESS_END)
            taken.push_back({msg.message, msg.wParam, msg.lParam});
    }
    return taken;
}

std::vector<link::RecordedCommand> TransferFixture::Sent() const {
    return target_->Commands();
}

std::vector<link::RecordedCommand> TransferFixture::SentNamed(const std::string& name) const {
    return target_->CommandsNamed(name);
}

void TransferFixture::WriteFile(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

Bytes TransferFixture::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TransferFixture::Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

void TransferFixture::ListFile(const char* name, DWORD size) {
    CFdiFile entry;
    entry.m_strName = name;
    entry.m_dwSize = size;
    object_->m_fileList.AddTail(entry);
}

void TransferFixture::ExpectEachIdClosedOnce() const {
    for (std::int32_t id : flash_->opened()) {
        auto it = flash_->closes().find(id);
        EXPECT_TRUE(it != flash_->closes().end() && it->second == 1) << "identifier " << id;
    }
    EXPECT_EQ(flash_->closes().size(), flash_->opened().size());
}

}  // namespace quorvex::test
