// Fault loop: the report of each exchange of a transfer in turn is lost on
// the simulated target's way back, until a run loses nothing. Every run must end with the right
// code, close every identifier it obtained exactly once, and post a consistent set of messages.
#include <gtest/gtest.h>

#include <string>

#include "TransferFixture.h"
#include "cmdlib/Payload.h"

namespace quorvex::test {
namespace {

const std::size_t kFileSize = 2100;  // three packets of 1024 bytes
const std::size_t kPackets = 3;

class TransferFaultLoop : public TransferFixture,
                          public ::testing::WithParamInterface<const char*> {
  protected:
    std::size_t Count(const std::string& name) const { return SentNamed(name).size(); }
    // Runs `body` on a fresh target and object for k = 1, 2, ... until nothing
    // is lost; `prepare` runs before the fault is armed.
    template <typename Prepare, typename Body>
    void ForEachFault(Prepare prepare, Body body) {
        for (int k = 1;; ++k) {
            SCOPED_TRACE("exchange " + std::to_string(k));
            TearDown();
            SetUp();
            Connect({"Diag__Utils__InMsgBodyLimit", "Diag__Utils__OutMsgBodyLimit",
                     "FDI__Transport__GetFdiFdvAvailableSpace", "FDI__Transport__Fseek"},
                    GetParam());
            prepare();
            sim_->LoseReport(k);
            body();
            const bool injected = sim_->injected();
            if (!injected || HasFatalFailure()) break;
            ASSERT_LT(k, 50) << "the loop does not end";
        }
    }
};

TEST_P(TransferFaultLoop, ReadFile) {
    int runs = 0;
    ForEachFault([&] { sim_->Put("dfm/a", Pattern(kFileSize)); },
                 [&] {
                     ++runs;
                     ListFile("a", kFileSize);
                     const UE_errCode_t result = data().ReadFile(Pc("a").c_str(), "a");
                     const std::string silenced = sim_->silenced();
                     SCOPED_TRACE("silenced " + silenced);
                     // Without the size figure the read goes on with the default packet.
                     const bool recovers = silenced.empty() || silenced == "InMsgBodyLimit";
                     EXPECT_EQ(result, recovers ? 0 : UE_LINK_TIMEOUT);
                     ExpectEachIdClosedOnce();
                     std::vector<Progress> expected{Begin(kFileSize, 1)};
                     if (silenced != "Fopen")
                         expected = Concat({expected, Steps(Count("Fread"), 1024), {End()}});
                     EXPECT_EQ(Drain(), expected);
                     if (recovers || silenced == "Fclose") {
                         EXPECT_EQ(ReadFile(Pc("a")), Pattern(kFileSize));
                     }
                 });
    EXPECT_EQ(runs, 7);  // open, size query, three packets, close, and the clean run
}

TEST_P(TransferFaultLoop, WriteFileWithVerification) {
    const WPARAM block = std::string(GetParam()) == "FDI5" ? 1028 : 1032;
    int runs = 0;
    ForEachFault(
        [] {},
        [&] {
            ++runs;
            WriteFile(Pc("src"), Pattern(kFileSize));
            const UE_errCode_t result = data().WriteFile("a", Pc("src").c_str(), 1);
            const std::string silenced = sim_->silenced();
            SCOPED_TRACE("silenced " + silenced);
            ExpectEachIdClosedOnce();

            const auto written = Steps(Count("Fwrite"), block);
            const std::vector<Progress> start{Begin(kFileSize, 2)};
            const std::vector<Progress> verify{End(), Begin(kFileSize, 5)};
            const std::vector<Progress> progress = Drain();
            if (silenced == "GetFdiFdvAvailableSpace" || silenced == "Fopen") {
                EXPECT_EQ(result, UE_LINK_TIMEOUT);
                EXPECT_EQ(progress, Concat({start, {End()}}));
            } else if (silenced == "Fwrite") {
                // The partial file stays; only the identifier is given back.
                EXPECT_EQ(result, UE_LINK_TIMEOUT);
                EXPECT_EQ(progress, Concat({start, written, {End(), End()}}));
            } else if (silenced == "Fclose") {
                // The read-back was done, so a failed close is the result.
                EXPECT_EQ(result, UE_LINK_TIMEOUT);
                EXPECT_EQ(progress,
                          Concat({start, written, verify, Steps(kPackets, 1024), {End()}}));
            } else if (silenced == "Fseek" || silenced == "Fread") {
                // The read-back through the open file failed: read the file anew.
                EXPECT_EQ(result, 0);
                EXPECT_EQ(Count("Fopen"), 2u);
                EXPECT_EQ(
                    progress,
                    Concat({start, written, verify, Steps(Count("Fread"), 1024), {End(), End()}}));
            } else {
                // Nothing lost, or only a size figure, which falls back to 1024.
                EXPECT_EQ(result, 0);
                EXPECT_EQ(progress,
                          Concat({start, written, verify, Steps(kPackets, 1024), {End()}}));
                // Read back through the open file, from offset 0 of the start,
                // and an equal copy is not kept.
                EXPECT_EQ(Names(), (std::vector<std::string>{"GetFdiFdvAvailableSpace", "Fopen",
                                                             "OutMsgBodyLimit", "Fwrite", "Fwrite",
                                                             "Fwrite", "Fseek", "InMsgBodyLimit",
                                                             "Fread", "Fread", "Fread", "Fclose"}));
                EXPECT_EQ(SentNamed("Fseek")[0].data,
                          link::PayloadBuilder().I32(sim_->opened().at(0)).Zeros(8).bytes());
                EXPECT_FALSE(Exists(TempFolder() + "a"));
            }
            if (result == 0) {
                EXPECT_EQ(sim_->Get("dfm/a"), Pattern(kFileSize));
                EXPECT_EQ(Count("Fwrite"), kPackets);
            }
        });
    // space, open, size, 3 packets, seek, size, 3 packets, close, clean run
    EXPECT_EQ(runs, 13);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TransferFaultLoop, ::testing::Values("FDI5", "FDI6"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace quorvex::test
