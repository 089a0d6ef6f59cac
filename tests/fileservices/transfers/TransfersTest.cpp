// Whole-file transfers end to end against the simulated flash: what reaches
// the target, what lands in PC files, and the progress messages posted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "TransferFixture.h"
#include "cmdlib/Payload.h"
#include "fileservices/ResultCodes.h"
#include "framework/file.h"

namespace quorvex::test {
namespace {

const char kSpaceQuery[] = "FDI__Transport__GetFdiFdvAvailableSpace";
const char kSeek[] = "FDI__Transport__Fseek";
const WPARAM kWideBlock = 1032;

class Transfers : public TransferFixture {};

TEST_F(Transfers, ReadFileCopiesTheFlashFileWithStartOnlyForListedFiles) {
    Connect({});
    sim_->Put("dfm/a.bin", Pattern(2500));
    WriteFile(Pc("a"), Pattern(9000, 3));  // replaced, not merged
    ListFile("other", 1);
    ListFile("a.bin", 2500);

    ASSERT_EQ(data().ReadFile(Pc("a").c_str(), "a.bin"), 0);
    EXPECT_EQ(ReadFile(Pc("a")), Pattern(2500));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Fopen", "Fread", "Fread", "Fread", "Fclose"}));
    EXPECT_EQ(link::PayloadReader(SentNamed("Fopen")[0].data).Text(256), "dfm/a.bin");
    EXPECT_EQ(Drain(), Concat({{Begin(2500, 1)}, Steps(3, 1024), {End()}}));
    ExpectEachIdClosedOnce();

    // A name that already holds the prefix goes out unchanged; an unlisted
    // file gets steps and an end, but no start.
    sim_->Put("x/dfm/b", Pattern(10));
    ASSERT_EQ(data().ReadFile(Pc("b").c_str(), "x/dfm/b"), 0);
    EXPECT_EQ(link::PayloadReader(SentNamed("Fopen")[1].data).Text(256), "x/dfm/b");
    EXPECT_EQ(Drain(), Concat({Steps(1, 1024), {End()}}));
}

TEST_F(Transfers, ReadFileFailures) {
    Connect({});
    sim_->Put("dfm/a", Pattern(10));

    // A PC file held by someone else is refused before anything happens.
    {
        WriteFile(Pc("held"), {1});
        CFile holder;
        ASSERT_TRUE(holder.Open(Pc("held").c_str(), CFile::modeRead | CFile::shareExclusive));
        EXPECT_EQ(data().ReadFile(Pc("held").c_str(), "a"), UE_PC_FILE_ERROR);
        EXPECT_TRUE(Sent().empty());
        EXPECT_TRUE(Drain().empty());
    }

    // An open error ends at once, without an end message.
    EXPECT_EQ(data().ReadFile(Pc("x").c_str(), "missing"), UE_FOPEN_ERROR);
    EXPECT_TRUE(Drain().empty());

    // A read error still closes, and wins over the close's own result.
    target_->On("Fread").Reply("FDI__Transport__F_Read_Error");
    target_->On("Fclose").Reply("FDI__Transport__F_Close_Error");
    EXPECT_EQ(data().ReadFile(Pc("x").c_str(), "a"), UE_FREAD_ERROR);
    EXPECT_EQ(Drain(), Concat({Steps(1, 1024), {End()}}));

    target_->On("Fclose").Reply("FDI__Transport__F_Close_Error");
    EXPECT_EQ(data().ReadFile(Pc("y").c_str(), "a"), UE_FCLOSE_ERROR);
    EXPECT_EQ(ReadFile(Pc("y")), Pattern(10));
    EXPECT_EQ(SentNamed("Fclose").size(), 2u);
}

TEST_F(Transfers, PcFileFailingMidTransferIsPassedOnAfterTheClose) {
    Connect({kSeek});
    sim_->Put("dfm/a", Pattern(3000));
    WriteFile(Pc("src"), Pattern(3000));
    // Devices that fail every write or read are what only POSIX systems offer.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    std::filesystem::create_symlink("/dev/full", TempFolder() + "full");
    const std::function<UE_errCode_t()> transfers[] = {
        [&] { return data().ReadFile("/dev/full", "a"); },
        [&] { return data().WriteFile("a", "/proc/self/mem", 0); },      // reads fail
        [&] { return data().WriteFile("full", Pc("src").c_str(), 1); },  // the read-back copy
    };
    for (const auto& transfer : transfers) {
        const std::size_t closes = SentNamed("Fclose").size();
        EXPECT_THROW(transfer(), CFileException);
        EXPECT_EQ(SentNamed("Fclose").size(), closes + 1);
    }
}

TEST_F(Transfers, ReadFileStoppedKeepsWhatArrived) {
    Connect({});
    sim_->Put("dfm/a", Pattern(3000));
    data().RequestStop();  // cleared by the read itself
    sim_->after = [&](const link::CommandFrame& command, std::vector<link::ReportFrame>&) {
        if (command.name == "Fread") data().RequestStop();
    };
    EXPECT_EQ(data().ReadFile(Pc("a").c_str(), "a"), UE_TRANSFER_STOPPED);
    const Bytes all = Pattern(3000);
    EXPECT_EQ(ReadFile(Pc("a")), Bytes(all.begin(), all.begin() + 1024));
    EXPECT_EQ(Drain(), Concat({Steps(1, 1024), {End()}}));
    ExpectEachIdClosedOnce();
}

TEST_F(Transfers, WriteFileWithoutVerification) {
    Connect({});
    WriteFile(Pc("src"), Pattern(2100));
    data().m_bContentChanged = 0;
    for (int verify : {0, 2}) {
        ASSERT_EQ(data().WriteFile("a.bin", Pc("src").c_str(), verify), 0);
        EXPECT_EQ(sim_->Get("dfm/a.bin"), Pattern(2100));
        EXPECT_EQ(Drain(), Concat({{Begin(2100, 2)}, Steps(3, kWideBlock), {End(), End()}}));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"Fopen", "Fwrite", "Fwrite", "Fwrite", "Fclose",
                                                 "Fopen", "Fwrite", "Fwrite", "Fwrite", "Fclose"}));
    EXPECT_EQ(link::PayloadReader(SentNamed("Fopen")[0].data.data() + 256, 256).Text(256), "wb+");
    EXPECT_STREQ(data().m_strLastWrittenName, "a.bin");
    EXPECT_EQ(data().m_bContentChanged, 1);
    ExpectEachIdClosedOnce();
}

TEST_F(Transfers, WriteFileChecksTheFreeSpaceOfTheVolume) {
    Connect({kSpaceQuery}, "FDI6", 1, true, "GUI Instance", 999);
    WriteFile(Pc("src"), Pattern(500));
    ASSERT_EQ(data().WriteFile("a", Pc("src").c_str(), 0), 0);
    const auto query = SentNamed("GetFdiFdvAvailableSpace");
    ASSERT_EQ(query.size(), 1u);
    EXPECT_EQ(query[0].data, (Bytes{'d', 'f', 'm', 0}));
    Drain();

    // 499 bytes left.
    const std::size_t before = Sent().size();
    EXPECT_EQ(data().WriteFile("b", Pc("src").c_str(), 0), UE_NOT_ENOUGH_SPACE);
    EXPECT_EQ(Sent().size(), before + 1);  // the query, no open
    EXPECT_EQ(Drain(), (std::vector<Progress>{Begin(500, 2), End()}));
    WriteFile(Pc("fits"), Pattern(499));  // exactly what is left
    EXPECT_EQ(data().WriteFile("e", Pc("fits").c_str(), 0), 0);
    Drain();

    target_->On("GetFdiFdvAvailableSpace").Reply("FDI__Transport__FdvAvailableSize_Error");
    EXPECT_EQ(data().WriteFile("c", Pc("src").c_str(), 0), UE_PC_FILE_SIZE_ERROR);
    EXPECT_EQ(Drain(), (std::vector<Progress>{Begin(500, 2), End()}));
    EXPECT_EQ(sim_->Get("dfm/b"), std::nullopt);
    EXPECT_EQ(sim_->Get("dfm/c"), std::nullopt);

    // A missing PC file fails before the query, posting nothing and leaving
    // the stop request and the last written name alone.
    data().RequestStop();
    const std::size_t sent = Sent().size();
    EXPECT_EQ(data().WriteFile("d", Pc("missing").c_str(), 1), UE_PC_FILE_SIZE_ERROR);
    EXPECT_EQ(Sent().size(), sent);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(data().m_bStopTransfer.load(), 1);
    EXPECT_STREQ(data().m_strLastWrittenName, "c");
}

class TransfersFallback : public Transfers, public ::testing::WithParamInterface<bool> {};

TEST_P(TransfersFallback, VerificationReadsTheFileAnew) {
    const bool refused = GetParam();
    Connect(refused ? std::vector<std::string>{kSeek} : std::vector<std::string>{});
    target_->On("Fseek").Reply("FDI__Transport__Fseek_Error");  // unused unless offered
    WriteFile(Pc("src"), Pattern(1500));
    ListFile("a.bin", 1500);
    ASSERT_EQ(data().WriteFile("a.bin", Pc("src").c_str(), 1), 0);
    std::vector<std::string> expected{"Fopen", "Fwrite", "Fwrite"};
    if (refused) expected.push_back("Fseek");
    for (const char* name : {"Fclose", "Fopen", "Fread", "Fread", "Fclose"})
        expected.push_back(name);
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(link::PayloadReader(SentNamed("Fopen")[1].data.data() + 256, 256).Text(256), "rb");
    EXPECT_EQ(Drain(), Concat({{Begin(1500, 2)},
                               Steps(2, kWideBlock),
                               {End()},
                               {Begin(1500, 5)},
                               {Begin(1500, 1)},
                               Steps(2, 1024),
                               {End()},
                               {End()}}));
    EXPECT_FALSE(Exists(TempFolder() + "a.bin"));
    ExpectEachIdClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(SeekRefused, TransfersFallback, ::testing::Bool());

TEST_F(Transfers, VerificationReportsADifferenceAndKeepsTheCopy) {
    Connect({kSeek});
    WriteFile(Pc("src"), Pattern(700));
    // The last byte read back differs from the one written.
    sim_->after = [&](const link::CommandFrame& command, std::vector<link::ReportFrame>& reports) {
        if (command.name == "Fread") reports.at(0).data.back() ^= 0x80;
    };
    EXPECT_EQ(data().WriteFile("a.bin", Pc("src").c_str(), 1), UE_COMPARE_MISMATCH);
    Bytes changed = Pattern(700);
    changed.back() ^= 0x80;
    EXPECT_EQ(ReadFile(TempFolder() + "a.bin"), changed);
    ExpectEachIdClosedOnce();
}

TEST_F(Transfers, StoppedWriteRemovesThePartialFile) {
    Connect({});
    WriteFile(Pc("src"), Pattern(5000));
    int packets = 0;
    sim_->after = [&](const link::CommandFrame& command, std::vector<link::ReportFrame>&) {
        if (command.name == "Fwrite" && ++packets == 2) data().RequestStop();
    };
    EXPECT_EQ(data().WriteFile("part", Pc("src").c_str(), 1), UE_TRANSFER_STOPPED);
    EXPECT_EQ(SentNamed("Fwrite").size(), 2u);
    EXPECT_EQ(SentNamed("Fseek").size() + SentNamed("Fread").size(), 0u);
    const auto removal = SentNamed("Remove_File");
    ASSERT_EQ(removal.size(), 1u);
    EXPECT_NE(std::string(removal[0].data.begin(), removal[0].data.end()).find("part"),
              std::string::npos);
    EXPECT_EQ(sim_->Get("dfm/part"), std::nullopt);
    ExpectEachIdClosedOnce();
    // The write's own messages end with its steps; whatever follows is the removal's.
    const auto progress = Drain();
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(std::vector<Progress>(progress.begin(), progress.begin() + 3),
              Concat({{Begin(5000, 2)}, Steps(2, kWideBlock)}));
    for (std::size_t i = 3; i < progress.size(); ++i)
        EXPECT_TRUE(progress[i].message != WM_FLASH_PROGRESS_START || progress[i].second == 3);
}

TEST_F(Transfers, ComparePcFileWithFlashFile) {
    Connect({});
    sim_->Put("dfm/c.bin", Pattern(1500));
    WriteFile(Pc("same"), Pattern(1500));
    EXPECT_EQ(data().ComparePcFileWithFlashFile(Pc("same").c_str(), "c.bin"), 0);
    EXPECT_FALSE(Exists(TempFolder() + "c.bin"));

    Bytes last = Pattern(1500);
    last.back() ^= 1;
    WriteFile(Pc("last"), last);
    EXPECT_EQ(data().ComparePcFileWithFlashFile(Pc("last").c_str(), "c.bin"), UE_COMPARE_MISMATCH);
    EXPECT_EQ(ReadFile(TempFolder() + "c.bin"), Pattern(1500));

    WriteFile(Pc("short"), Pattern(1499));
    EXPECT_EQ(data().ComparePcFileWithFlashFile(Pc("short").c_str(), "c.bin"), UE_COMPARE_MISMATCH);
    EXPECT_EQ(data().ComparePcFileWithFlashFile(Pc("same").c_str(), "nope"), UE_FOPEN_ERROR);
    EXPECT_EQ(data().ComparePcFileWithFlashFile(Pc("absent").c_str(), "c.bin"), UE_PC_FILE_ERROR);

    // A copy never lands on the file it is compared with: the PC file lies in the temporary folder
    // under the very name the copy would get.
    const std::string inTemp = TempFolder() + "c.bin";
    // Where such a copy goes instead: a drive's root on Windows, where the host
    // folder's own files are out of reach.
#if defined(_WIN32)
    const std::string fixed = "C:/";
#else
    const std::string fixed = home_ + "/Compare/";
#endif
    sim_->Put("dfm/c.bin", Pattern(64));
    WriteFile(inTemp, Pattern(64, 9));
    EXPECT_EQ(data().ComparePcFileWithFlashFile(inTemp.c_str(), "c.bin"), UE_COMPARE_MISMATCH);
    EXPECT_EQ(ReadFile(inTemp), Pattern(64, 9));
    EXPECT_EQ(ReadFile(fixed + "c.bin"), Pattern(64));
    // Nor on the host folder's own files: a matching copy is removed afterwards.
    WriteFile(home_ + "/settings.ini", Pattern(8, 3));
    sim_->Put("dfm/settings.ini", Pattern(64, 9));
    EXPECT_EQ(data().ComparePcFileWithFlashFile(inTemp.c_str(), "settings.ini"), 0);
    EXPECT_EQ(ReadFile(home_ + "/settings.ini"), Pattern(8, 3));

    // The same with backslashes in the PC path.
    std::string mixed = home_ + "\\Temp\\c.bin";
    EXPECT_EQ(data().ComparePcFileWithFlashFile(mixed.c_str(), "c.bin"), UE_COMPARE_MISMATCH);
    EXPECT_EQ(ReadFile(inTemp), Pattern(64, 9));
}

}  // namespace
}  // namespace quorvex::test
