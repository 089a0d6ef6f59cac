// Replays the command-handler fuzz corpus through the fuzz entry point, so
// builds without a fuzzing engine run it too.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(TargetHandlerFuzz, CorpusRunsCleanly) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUORVEX_TARGET_FUZZ_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << entry.path();
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++seeds;
    }
    EXPECT_GE(seeds, 4);
}

}  // namespace
