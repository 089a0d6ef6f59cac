// Whole files through the module and the simulated target, in-process and
// over TCP: every packet boundary of both cores, with and without read-back
// verification, and one large file.
#include "EndToEndFixture.h"
#include "fileservices/ResultCodes.h"

namespace quorvex::testing {
namespace {

class FileTransferTest : public EndToEndTest, public ::testing::WithParamInterface<Route> {};

TEST_P(FileTransferTest, FilesAroundPacketBoundariesComeBackWhole) {
    Serve(GetParam());
    // CP packets carry 1024 bytes, AP packets 4096.
    const std::size_t sizes[] = {0, 1, 1023, 1024, 1025, 4095, 4096, 4097, 9000};
    for (eTargetType side : {TARGET_TYPE_CP, TARGET_TYPE_AP}) {
        CFlashExplorerData& flash = Open(side);
        for (std::size_t size : sizes) {
            SCOPED_TRACE("side " + std::to_string(side) + ", " + std::to_string(size) + " bytes");
            const std::string name = "f" + std::to_string(size) + ".bin";
            const std::string bytes = Pattern(size, static_cast<unsigned>(size + side));
            RoundTrip(flash, name, bytes, size % 2 == 0 ? 1 : 0);
            EXPECT_EQ(flash.ComparePcFileWithFlashFile(PcPath(name).c_str(), name.c_str()),
                      UE_SUCCESS);
            EXPECT_EQ(Entry(flash, name).m_dwSize, size);
        }
    }
}

TEST_P(FileTransferTest, EightMebibytesOnTheApplicationCore) {
    Serve(GetParam());
    CFlashExplorerData& flash = Open(TARGET_TYPE_AP);
    std::string bytes = Pattern(8u << 20, 8);
    RoundTrip(flash, "big.bin", bytes, 1);

    bytes[(8u << 20) - 1] ^= 1;
    WritePc("changed.bin", bytes);
    EXPECT_EQ(flash.ComparePcFileWithFlashFile(PcPath("changed.bin").c_str(), "big.bin"),
              UE_COMPARE_MISMATCH);
}

INSTANTIATE_TEST_SUITE_P(Routes, FileTransferTest,
                         ::testing::Values(Route::kInProcess, Route::kTcp), RouteName);

}  // namespace
}  // namespace quorvex::testing
