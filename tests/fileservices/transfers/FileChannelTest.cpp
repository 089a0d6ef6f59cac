// The file channel primitives against a scripted target: parameter blocks
// byte for byte in both layouts, reply handling, packet sizing and progress.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TransferFixture.h"
#include "cmdlib/Payload.h"
#include "fileservices/ResultCodes.h"

namespace quorvex::test {
namespace {

using link::PayloadBuilder;
using link::PayloadReader;

const char kInQuery[] = "Diag__Utils__InMsgBodyLimit";
const char kOutQuery[] = "Diag__Utils__OutMsgBodyLimit";
const bool kNoSimulator = false;  // the test scripts every answer

class FileChannel : public TransferFixture {
  protected:
    PayloadBuilder OpenReply(int id, const std::string& name) {
        PayloadBuilder reply;
        if (fdi5())
            reply.I16(static_cast<std::int16_t>(id));
        else
            reply.I32(id);
        return reply.Text(name, 256);
    }
    PayloadBuilder Packet(std::int16_t status, std::uint16_t last, const Bytes& data) {
        return PayloadBuilder()
            .I16(status)
            .U16(last)
            .I16(static_cast<std::int16_t>(data.size()))
            .Bytes(data);
    }
};

class FileChannelLayouts : public FileChannel, public ::testing::WithParamInterface<const char*> {};

TEST_P(FileChannelLayouts, OpenSendsBothFieldsAndTakesTheIdentifier) {
    Connect({}, GetParam(), 1, kNoSimulator);
    // The longest path that fits also fills the reply buffer of either layout;
    // trailing junk beyond it must stay outside the buffer.
    const std::string path = "dfm/" + std::string(251, 'p');
    target_->On("Fopen").Reply("FDI__Transport__F_Open_Return_FileID",
                               OpenReply(-2, path).Zeros(40));
    int id = 0;
    ASSERT_EQ(Access::Fopen(data(), path.c_str(), "wb+", &id), 0);
    EXPECT_EQ(id, -2);

    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].FullName(), "FDI__Transport__Fopen");
    EXPECT_EQ(sent[0].side, 1);
    EXPECT_EQ(sent[0].timeout_ms, 5000u);
    EXPECT_EQ(sent[0].data, Bytes(PayloadBuilder().Text(path, 256).Text("wb+", 256)));
}

TEST_P(FileChannelLayouts, ReadRequestAndCloseAndSeekBlocks) {
    Connect({}, GetParam(), 1, kNoSimulator);
    const bool narrow = fdi5();
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 1, {}));
    target_->On("Fclose").Reply("FDI__Transport__F_Close_Success");
    target_->On("Fseek").Reply("FDI__Transport__Fseek_Success_RAM");
    ASSERT_EQ(Access::Fread(data(), -3, Pc("r").c_str()), 0);
    ASSERT_EQ(Access::Fclose(data(), -3), 0);
    ASSERT_EQ(Access::Fseek(data(), -3, 0x01020304, 2), 0);

    EXPECT_EQ(SentNamed("Fread").at(0).data,
              (narrow ? Bytes{0xFD, 0xFF, 0x00, 0x04}
                      : Bytes{0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x04, 0x00, 0x00}));
    // The close always carries the 32-bit identifier.
    EXPECT_EQ(SentNamed("Fclose").at(0).data, (Bytes{0xFD, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(SentNamed("Fseek").at(0).data,
              (narrow ? Bytes{0xFD, 0xFF, 0, 0, 4, 3, 2, 1, 2, 0, 0, 0}
                      : Bytes{0xFD, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 2, 0, 0, 0}));
    for (const auto& command : Sent()) EXPECT_EQ(command.timeout_ms, 5000u) << command.name;
    EXPECT_EQ(seen_.back().replyCapacity, 1);  // the seek's answer carries nothing
}

TEST_P(FileChannelLayouts, WriteBlocksKeepFullSizeToAnExactMultiple) {
    Connect({}, GetParam(), 1, kNoSimulator);
    const std::size_t header = fdi5() ? 4 : 8;
    const std::size_t dataOffset = fdi5() ? 4 : 6;
    target_->On("Fwrite").Sticky().Reply("FDI__Transport__F_Write_Success");

    // 2048 bytes: two full packets and no empty third one.
    const Bytes exact = Pattern(2048);
    WriteFile(Pc("exact"), exact);
    ASSERT_EQ(Access::Fwrite(data(), 0x1234, Pc("exact").c_str()), 0);
    auto sent = SentNamed("Fwrite");
    ASSERT_EQ(sent.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(sent[i].data.size(), 1024 + header);
        EXPECT_EQ(sent[i].data[0], 0x34);
        EXPECT_EQ(sent[i].data[1], 0x12);
        EXPECT_EQ(PayloadReader(sent[i].data.data() + dataOffset - 2, 2).U16(), 1024);
        EXPECT_TRUE(std::equal(exact.begin() + i * 1024, exact.begin() + (i + 1) * 1024,
                               sent[i].data.begin() + dataOffset));
    }
    EXPECT_EQ(Drain(), Steps(2, 1024 + header));

    // One byte more: a third packet of full size that counts one byte.
    WriteFile(Pc("over"), Pattern(2049, 5));
    ASSERT_EQ(Access::Fwrite(data(), 0x1234, Pc("over").c_str()), 0);
    sent = SentNamed("Fwrite");
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[4].data.size(), 1024 + header);
    EXPECT_EQ(PayloadReader(sent[4].data.data() + dataOffset - 2, 2).U16(), 1);
    EXPECT_EQ(sent[4].data[dataOffset], Pattern(2049, 5)[2048]);
}

INSTANTIATE_TEST_SUITE_P(Fdi, FileChannelLayouts, ::testing::Values("FDI5", "FDI6", "FDI71"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(FileChannel, OpenCloseAndSeekAnswers) {
    // Texts that do not fit their field are refused before sending.
    Connect({}, "FDI6", 1, kNoSimulator);
    int id = 99;
    EXPECT_EQ(Access::Fopen(data(), std::string(256, 'a').c_str(), "rb", &id),
              UE_FLASH_PATH_TOO_LONG);
    EXPECT_EQ(Access::Fopen(data(), "dfm/a", std::string(256, 'r').c_str(), &id),
              UE_FLASH_PATH_TOO_LONG);
    EXPECT_EQ(id, 99);
    EXPECT_TRUE(Sent().empty());

    // An error, or another file opened than the one asked for.
    target_->On("Fopen").Reply("FDI__Transport__F_Open_Error");
    target_->On("Fopen").Reply("FDI__Transport__F_Open_Return_FileID", OpenReply(5, "dfm/A"));
    target_->On("Fopen").Reply("FDI__Transport__F_Open_Return_FileID", OpenReply(5, "dfm/ab"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Access::Fopen(data(), "dfm/a", "rb", &id), UE_FOPEN_ERROR) << "answer " << i;
    EXPECT_EQ(id, 99);
    // Reports outside the expected list are skipped while waiting.
    target_->On("Fopen")
        .Reply("FDI__Transport__F_Open_Return_FileID_Other", OpenReply(4, "dfm/a"))
        .Reply("FDI__Transport__F_Open_Return_FileID_RAM", OpenReply(6, "dfm/a"));
    EXPECT_EQ(Access::Fopen(data(), "dfm/a", "rb", &id), 0);
    EXPECT_EQ(id, 6);
    // Unanswered: the link's own code, unchanged.
    EXPECT_EQ(Access::Fopen(data(), "dfm/a", "rb", &id), UE_LINK_TIMEOUT);
    EXPECT_EQ(id, 6);

    target_->On("Fclose").Reply("FDI__Transport__F_Close_Error");
    EXPECT_EQ(Access::Fclose(data(), 1), UE_FCLOSE_ERROR);
    EXPECT_EQ(Access::Fclose(data(), 1), UE_LINK_TIMEOUT);
    for (const char* report : {"Fseek_Error", "Fseek_Error_RAM", "Fseek_Success"})
        target_->On("Fseek").Reply(std::string("FDI__Transport__") + report);
    for (int result : {int{UE_FSEEK_ERROR}, int{UE_FSEEK_ERROR}, 0, int{UE_LINK_TIMEOUT}})
        EXPECT_EQ(Access::Fseek(data(), 1, 0, 0), result);
}

TEST_F(FileChannel, MessageSizeQueriesSendNothingAndReadTheFigure) {
    // (How the figures size the packets is the packet-size table's.)
    Connect({}, "FDI6", 1, kNoSimulator);
    target_->On("OutMsgBodyLimit")
        .Reply("Diag", "Utils", "MaxOutMsgBodySize", PayloadBuilder().U32(777));
    unsigned long limit = 1;
    EXPECT_EQ(Access::InMsgBodyLimit(data(), &limit), UE_LINK_TIMEOUT);
    ASSERT_EQ(Access::OutMsgBodyLimit(data(), &limit), 0);
    EXPECT_EQ(limit, 777u);
    target_->On("OutMsgBodyLimit")
        .Reply("Diag", "Utils", "MaxOutMsgBodySize", PayloadBuilder().U16(2048));
    EXPECT_EQ(Access::OutMsgBodyLimit(data(), &limit), UE_TARGET_DATA_ERROR);
    EXPECT_EQ(limit, 777u);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].FullName(), kInQuery);
    EXPECT_EQ(sent[1].FullName(), kOutQuery);
    EXPECT_EQ(sent[1].timeout_ms, 5000u);
    EXPECT_TRUE(sent[0].data.empty());
}

struct LimitCase {
    const char* label;
    int side;
    const char* version;
    bool in_database;
    bool answered;
    std::uint32_t offered;
    std::uint16_t read_wanted;  // bytes wanted by each "Fread"
    std::size_t write_block;    // size of each "Fwrite" block
};
// gtest would otherwise print the parameter's bytes, padding included.
void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.label;
}

class PacketSize : public FileChannel, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(PacketSize, FollowsCoreDatabaseAndBounds) {
    const LimitCase& c = GetParam();
    std::vector<std::string> commands;
    if (c.in_database) commands = {kInQuery, kOutQuery};
    Connect(commands, c.version, c.side, kNoSimulator);
    if (c.answered) {
        target_->On("InMsgBodyLimit")
            .Sticky()
            .Reply("Diag", "Utils", "MaxInMsgBodySize", PayloadBuilder().U32(c.offered));
        target_->On("OutMsgBodyLimit")
            .Sticky()
            .Reply("Diag", "Utils", "MaxOutMsgBodySize", PayloadBuilder().U32(c.offered));
    }
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 1, {}));
    target_->On("Fwrite").Reply("FDI__Transport__F_Write_Success");
    WriteFile(Pc("src"), Pattern(10));

    ASSERT_EQ(Access::Fread(data(), 1, Pc("dst").c_str()), 0);
    ASSERT_EQ(Access::Fwrite(data(), 1, Pc("src").c_str()), 0);

    const auto read = SentNamed("Fread");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(PayloadReader(read[0].data.data() + (fdi5() ? 2 : 4), 2).U16(), c.read_wanted);
    EXPECT_EQ(SentNamed("Fwrite").at(0).data.size(), c.write_block);
    const bool asks = c.side == 1 && c.in_database;
    EXPECT_EQ(SentNamed("InMsgBodyLimit").size(), asks ? 1u : 0u);
    EXPECT_EQ(SentNamed("OutMsgBodyLimit").size(), asks ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cores, PacketSize,
    ::testing::Values(LimitCase{"CpIgnoresOffer", 0, "FDI6", true, true, 4096, 1024, 1032},
                      LimitCase{"ApWithoutQuery", 1, "FDI6", false, true, 4096, 1024, 1032},
                      LimitCase{"ApTakesOffer", 1, "FDI6", true, true, 4096, 4096, 4104},
                      LimitCase{"ApFdi5", 1, "FDI5", true, true, 2000, 2000, 2004},
                      LimitCase{"ApQueryUnanswered", 1, "FDI6", true, false, 0, 1024, 1032},
                      LimitCase{"ApZeroMeansDefault", 1, "FDI6", true, true, 0, 1024, 1032},
                      LimitCase{"ApReadCountIsSigned", 1, "FDI6", true, true, 32768, 32767, 32776},
                      LimitCase{"ApLargestThatFits", 1, "FDI6", true, true, 65528, 32767, 65535},
                      LimitCase{"ApCutWide", 1, "FDI6", true, true, 70000, 32767, 65535},
                      LimitCase{"ApCutFdi5", 1, "FDI5", true, true, 0xFFFFFFFF, 32767, 65535}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return info.param.label; });

TEST_F(FileChannel, ReadAppendsPacketsByStatusAndEndsOnOtherStatusOrLastFlag) {
    Connect({kInQuery}, "FDI6", 1, kNoSimulator);
    target_->On("InMsgBodyLimit")
        .Reply("Diag", "Utils", "MaxInMsgBodySize", PayloadBuilder().U32(4096));
    // A full packet proves the reply buffer holds limit + 6 bytes; the extra
    // bytes behind it must be cut off by the link, not written anywhere.
    const Bytes full = Pattern(4096, 1);
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, full).Zeros(64));
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {1, 2, 3}));
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(34, 0, {4, 5}));
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {9}));
    ASSERT_EQ(Access::Fread(data(), 1, Pc("dst").c_str()), 0);

    Bytes expected = full;
    expected.insert(expected.end(), {1, 2, 3, 4, 5});
    EXPECT_EQ(ReadFile(Pc("dst")), expected);
    EXPECT_EQ(SentNamed("Fread").size(), 3u);
    EXPECT_EQ(Drain(), Steps(3, 1024));

    // The packet left over above starts the next file; another status ends it
    // without its data, the last flag with them.
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(5, 0, {7, 7}));
    ASSERT_EQ(Access::Fread(data(), 1, Pc("a").c_str()), 0);
    EXPECT_EQ(ReadFile(Pc("a")), (Bytes{9}));

    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 1, {8, 9}));
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 1, {6}));
    ASSERT_EQ(Access::Fread(data(), 1, Pc("b").c_str()), 0);
    EXPECT_EQ(ReadFile(Pc("b")), (Bytes{8, 9}));
    EXPECT_EQ(target_->UnusedRules(), 1u);
}

TEST_F(FileChannel, EndlessEmptyPacketsFailTheRead) {
    Connect({}, "FDI6", 1, kNoSimulator);
    // 4096 empty packets in a row end the read; a data byte starts the count anew.
    for (int i = 0; i < 4095; ++i)
        target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {}));
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {7}));
    target_->On("Fread").Sticky().Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {}));
    EXPECT_EQ(Access::Fread(data(), 1, Pc("a").c_str()), UE_FREAD_ERROR);
    EXPECT_EQ(ReadFile(Pc("a")), (Bytes{7}));
    EXPECT_EQ(SentNamed("Fread").size(), 4095u + 1 + 4096);
}

TEST_F(FileChannel, ReadFailuresKeepWhatWasWritten) {
    Connect({}, "FDI5", 1, kNoSimulator);
    for (const char* report : {"F_Read_Error", "F_Read_Bad_Input", "F_Read_Malloc_Error"}) {
        target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {1, 2}));
        target_->On("Fread").Reply(std::string("FDI__Transport__") + report);
        EXPECT_EQ(Access::Fread(data(), 1, Pc("a").c_str()), UE_FREAD_ERROR) << report;
        EXPECT_EQ(ReadFile(Pc("a")), (Bytes{1, 2}));
    }
    // Counts that the reply buffer or the bytes that arrived cannot back, and
    // packets shorter than their header, are refused before anything is copied.
    for (const PayloadBuilder& packet :
         {PayloadBuilder().I16(0).U16(0).I16(1025).Zeros(1025),
          PayloadBuilder().I16(34).U16(1).I16(-1).Zeros(8),
          PayloadBuilder().I16(0).U16(1).I16(1024).Bytes(Pattern(10)), PayloadBuilder().I16(0)}) {
        target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", packet);
        EXPECT_EQ(Access::Fread(data(), 1, Pc("b").c_str()), UE_FREAD_ERROR);
        EXPECT_EQ(ReadFile(Pc("b")), Bytes());
    }
    EXPECT_EQ(Access::Fread(data(), 1, Pc("d").c_str()), UE_LINK_TIMEOUT);

    const std::size_t before = Sent().size();
    EXPECT_EQ(Access::Fread(data(), 1, (home_ + "/missing/x").c_str()), UE_PC_FILE_ERROR);
    EXPECT_EQ(Sent().size(), before);
}

TEST_F(FileChannel, ReadKeepsWhatArrivedBeforeAPauseOrAThrow) {
    Connect({}, "FDI6", 1, kNoSimulator);
    const Bytes first = Pattern(1024, 3);
    target_->On("Fread").Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, first));
    // A slow link: what arrived reaches the PC file within a tenth of a second.
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {1, 2, 3}))
        .Respond([](const link::CommandFrame&, std::vector<link::ReportFrame>&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        });
    std::size_t sizeAfterPause = 0;
    target_->On("Fread")
        .Reply("FDI__Transport__F_Read_Packet", Packet(0, 0, {4, 5}))
        .Respond([&](const link::CommandFrame&, std::vector<link::ReportFrame>&) {
            sizeAfterPause = ReadFile(Pc("dst")).size();
        });
    target_->On("Fread").Respond([](const link::CommandFrame&, std::vector<link::ReportFrame>&) {
        throw std::runtime_error("link gone");
    });
    EXPECT_THROW(Access::Fread(data(), 1, Pc("dst").c_str()), std::runtime_error);
    Bytes expected = first;
    expected.insert(expected.end(), {1, 2, 3, 4, 5});
    EXPECT_EQ(sizeAfterPause, expected.size() - 2);
    EXPECT_EQ(ReadFile(Pc("dst")), expected);
}

TEST_F(FileChannel, StopSetBeforeTheLoopSendsNothing) {
    Connect({}, "FDI6", 1, kNoSimulator);
    WriteFile(Pc("src"), Pattern(100));
    WriteFile(Pc("dst"), Pattern(100));
    data().RequestStop();
    data().m_bContentChanged = 0;
    EXPECT_EQ(Access::Fread(data(), 1, Pc("dst").c_str()), 0);
    EXPECT_EQ(Access::Fwrite(data(), 1, Pc("src").c_str()), 0);
    EXPECT_TRUE(Exists(Pc("dst")));
    EXPECT_EQ(ReadFile(Pc("dst")), Bytes());
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(data().m_bContentChanged, 1);
}

TEST_F(FileChannel, WritePacketsCarryTheWholeFileWhateverTheirSize) {
    Connect({kOutQuery}, "FDI6", 1, kNoSimulator);
    target_->On("OutMsgBodyLimit")
        .Reply("Diag", "Utils", "MaxOutMsgBodySize", PayloadBuilder().U32(1000));
    target_->On("Fwrite").Sticky().Reply("FDI__Transport__F_Write_Success");
    // Large enough that packets of 1000 bytes straddle the blocks the file is read in.
    const Bytes file = Pattern(300 * 1024 + 7, 5);
    WriteFile(Pc("big"), file);
    ASSERT_EQ(Access::Fwrite(data(), 1, Pc("big").c_str()), 0);
    Bytes carried;
    for (const auto& packet : SentNamed("Fwrite")) {
        ASSERT_EQ(packet.data.size(), 1008u);
        const std::size_t count = packet.data[4] | packet.data[5] << 8;
        carried.insert(carried.end(), packet.data.begin() + 6, packet.data.begin() + 6 + count);
    }
    EXPECT_EQ(carried, file);
}

TEST_F(FileChannel, WriteFailuresAndEmptyFile) {
    Connect({}, "FDI6", 1, kNoSimulator);
    data().m_bContentChanged = 0;
    EXPECT_EQ(Access::Fwrite(data(), 1, Pc("missing").c_str()), UE_PC_FILE_ERROR);
    EXPECT_EQ(data().m_bContentChanged, 0);

    WriteFile(Pc("empty"), {});
    EXPECT_EQ(Access::Fwrite(data(), 1, Pc("empty").c_str()), 0);
    EXPECT_EQ(data().m_bContentChanged, 1);
    EXPECT_TRUE(Sent().empty());

    WriteFile(Pc("big"), Pattern(3000));
    target_->On("Fwrite").Reply("FDI__Transport__F_Write_Success");
    target_->On("Fwrite").Reply("FDI__Transport__F_Write_Error");
    EXPECT_EQ(Access::Fwrite(data(), 1, Pc("big").c_str()), UE_FWRITE_ERROR);
    EXPECT_EQ(SentNamed("Fwrite").size(), 2u);
    EXPECT_EQ(Access::Fwrite(data(), 1, Pc("big").c_str()), UE_LINK_TIMEOUT);
    EXPECT_EQ(SentNamed("Fwrite").size(), 3u);
}
}  // namespace
}  // namespace quorvex::test
