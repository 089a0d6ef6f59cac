// Set-up shared by the transfer tests.
#include "TransferFixture.h"

namespace quorvex::test {

void TransferFixture::Connect(const TargetSetup& setup) {
    fdi5_ = setup.version == "FDI5";
    const std::vector<std::string> none;
    Start(setup.side, setup.side == 0 ? setup.commands : none,
          setup.side == 0 ? none : setup.commands, setup.instance.c_str());
    if (setup.simulated)
        sim_ = std::make_unique<SimFlash>(target_, setup.version, setup.commands, setup.capacity);
    UseSide(setup.side, setup.version.c_str(), "dfm/");
}

void TransferFixture::ListFile(const char* name, DWORD size) {
    CFdiFile entry;
    entry.m_strName = name;
    entry.m_dwSize = size;
    flash_->m_fileList.AddTail(entry);
}

void TransferFixture::ExpectEachIdClosedOnce() const {
    for (std::int32_t id : sim_->opened()) {
        auto it = sim_->closes().find(id);
        EXPECT_TRUE(it != sim_->closes().end() && it->second == 1) << "identifier " << id;
    }
    EXPECT_EQ(sim_->closes().size(), sim_->opened().size());
}

}  // namespace quorvex::test
