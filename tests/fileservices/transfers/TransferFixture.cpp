// Set-up shared by the transfer tests.
#include "TransferFixture.h"

namespace quorvex::test {

void TransferFixture::Connect(const std::vector<std::string>& commands, const std::string& version,
                              int side, bool simulated, const char* instance,
                              std::uint64_t capacity) {
    fdi5_ = version == "FDI5";
    const std::vector<std::string> none;
    Start(side, side == 0 ? commands : none, side == 0 ? none : commands, instance);
    if (simulated) sim_ = std::make_unique<SimFlash>(target_, version, commands, capacity);
    UseSide(side, version.c_str(), "dfm/");
}

void TransferFixture::ListFile(const char* name, DWORD size) {
    CFdiFile entry;
    entry.m_strName = name;
    entry.m_dwSize = size;
    flash_->m_fileList.AddTail(entry);
}

std::vector<std::string> TransferFixture::Names() const {
    std::vector<std::string> names;
    for (const auto& command : Sent()) names.push_back(command.name);
    return names;
}

void TransferFixture::ExpectEachIdClosedOnce() const {
    for (std::int32_t id : sim_->opened()) {
        auto it = sim_->closes().find(id);
        EXPECT_TRUE(it != sim_->closes().end() && it->second == 1) << "identifier " << id;
    }
    EXPECT_EQ(sim_->closes().size(), sim_->opened().size());
}

}  // namespace quorvex::test
