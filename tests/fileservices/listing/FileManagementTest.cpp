// File and directory management against a scripted target: parameter blocks,
// reply records, expected lists, outcomes and the content-changed flag.
#include <cstring>
#include <string>

#include "FlashFixture.h"

namespace {

using Names = std::vector<std::string>;
using quorvex::link::PayloadBuilder;

class FileManagementTest : public FlashOpsTest {
  protected:
    void SetUp() override {
        FlashOpsTest::SetUp();
        UseSide(1, "FDI6", "/data/");
    }
    // Runs `op` once per answering report (none: no answer) and checks result and flag.
    template <class Op>
    void ExpectOutcomes(const char* command, Op op,
                        std::initializer_list<std::pair<const char*, int>> outcomes,
                        bool changedOnError, bool changedOtherwise) {
        for (const auto& [report, result] : outcomes) {
            SCOPED_TRACE(report != nullptr ? report : "no answer");
            if (report != nullptr) On(command).Reply(report, Bytes(2000, 0x41));
            flash_->m_bContentChanged = 0;
            EXPECT_EQ(op(), result);
            const bool targetError = result != 0 && result != UE_LINK_TIMEOUT;
            EXPECT_EQ(flash_->m_bContentChanged, (targetError ? changedOnError : changedOtherwise));
        }
    }
};

TEST_F(FileManagementTest, RemoveFileSendsFullPathAndAlwaysMarksContentChanged) {
    On("Remove_File").Reply("FDI__Transport__Remove_Success");
    On("Remove_File").Reply("FDI__Transport__Remove_Success");
    ASSERT_EQ(flash_->RemoveFile("a.bin"), 0);
    ASSERT_EQ(flash_->RemoveFile("/data/a.bin"), 0);
    for (const SeenExchange& seen : seen_) {
        EXPECT_EQ(seen.data, PathBytes("/data/a.bin"));
        EXPECT_EQ(seen.replyService + "/" + seen.replyModule + "/" + seen.replyName,
                  "FDI/Transport/Remove_Success");
        EXPECT_EQ(seen.replyCapacity, 1024);
        EXPECT_EQ(seen.timeoutMs, 5000u);
        EXPECT_EQ(seen.expected,
                  (Names{"FDI__Transport__Remove_Error", "FDI__Transport__Remove_Success",
                         "FDI__Transport__Remove_File"}));
    }

    ExpectOutcomes(
        "Remove_File", [&] { return flash_->RemoveFile("a.bin"); },
        {{"FDI__Transport__Remove_File", 0},
         {"FDI__Transport__Remove_Success", 0},
         {"FDI__Transport__Remove_Error", 13},
         {nullptr, UE_LINK_TIMEOUT}},
        true, true);
}

TEST_F(FileManagementTest, RenameChecksTheNewNameAgainstTheTargetLimit) {
    // Application side: the database offers the query; the limit is 8.
    On("GetMaxFileNameLen")
        .Sticky()
        .Reply("FDI__Transport__MaxFileNameLen", PayloadBuilder().U32(8).U32(0xFFFFFFFF));
    On("RenameFile").Sticky().Reply("FDI__Transport__F_Rename_Success");
    EXPECT_EQ(flash_->RenameFile("old.txt", "12345678"), 0);
    EXPECT_EQ(flash_->RenameFile("old.txt", "123456789"), 19);
    ASSERT_EQ(target_->CommandsNamed("RenameFile").size(), 1u);
    ASSERT_EQ(seen_.size(), 3u);

    const SeenExchange& query = seen_[0];
    EXPECT_EQ(query.call, CFdiExchange::Call::kQuery);
    EXPECT_TRUE(query.data.empty());
    EXPECT_EQ(query.replyService + "/" + query.replyModule + "/" + query.replyName,
              "FDI/Transport/MaxFileNameLen");
    EXPECT_EQ(query.replyCapacity, 4);
    EXPECT_EQ(query.timeoutMs, 5000u);

    const SeenExchange& rename = seen_[1];
    EXPECT_EQ(rename.data,
              Bytes(PayloadBuilder().Text("/data/old.txt", 256).Text("/data/12345678", 256)));
    EXPECT_EQ(rename.replyName, "");
    EXPECT_EQ(rename.replyCapacity, 1);
    EXPECT_EQ(rename.expected,
              (Names{"FDI__Transport__F_Rename_Error", "FDI__Transport__F_Rename_Succes",
                     "FDI__Transport__F_Rename_Success"}));

    // Communication side: no query, so no limit.
    UseSide(0, "FDI6", "/data/");
    seen_.clear();
    EXPECT_EQ(flash_->RenameFile("old.txt", std::string(200, 'n').c_str()), 0);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].name, "RenameFile");
}

TEST_F(FileManagementTest, RenameOutcomes) {
    UseSide(0, "FDI6", "/data/");
    ExpectOutcomes(
        "RenameFile", [&] { return flash_->RenameFile("a", "b"); },
        {{"FDI__Transport__F_Rename_Succes", 0},
         {"FDI__Transport__F_Rename_Success", 0},
         {"FDI__Transport__F_Rename_Error", 12},
         {nullptr, UE_LINK_TIMEOUT}},
        false, true);

    // A failed limit query stops the rename before it is sent.
    UseSide(1, "FDI6", "/data/");
    seen_.clear();
    EXPECT_EQ(flash_->RenameFile("a", "b"), UE_LINK_TIMEOUT);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].name, "GetMaxFileNameLen");
}

TEST_F(FileManagementTest, MakeDirSendsModeAndReadsTheTargetReason) {
    struct {
        unsigned int result;
        unsigned int guard;
    } area{0, 0x5A5A5A5A};
    On("MkDir").Reply("FDI__Transport__mkdir_Success", PayloadBuilder().U32(0x01020304).U32(7));
    flash_->m_bContentChanged = 0;
    EXPECT_EQ(flash_->MakeDir("dir", -2, area.result), 0);
    EXPECT_EQ(area.result, 0x01020304u);
    EXPECT_EQ(area.guard, 0x5A5A5A5Au);
    EXPECT_EQ(flash_->m_bContentChanged, 0);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].data, Bytes(PayloadBuilder().Text("/data/dir", 256).U16(0xFFFE)));
    EXPECT_EQ(seen_[0].replyCapacity, 4);
    EXPECT_EQ(seen_[0].expected,
              (Names{"FDI__Transport__mkdir_Success", "FDI__Transport__mkdir_Error"}));

    // The number after ": " replaces the received bytes; without a colon, or
    // with ")" after it, the bytes stay as received.
    struct Case {
        const char* text;
        bool keepsBytes;
        unsigned int number;
    };
    for (const Case& c : {Case{"e: 5", false, 5}, Case{"e:", false, 0}, Case{"4)", true, 0},
                          Case{"e: )", true, 0}, Case{": 7", false, 7}}) {
        SCOPED_TRACE(c.text);
        const Bytes payload(c.text, c.text + std::strlen(c.text));
        On("MkDir").Reply("FDI__Transport__mkdir_Error", payload);
        unsigned int result = 0;
        EXPECT_EQ(flash_->MakeDir("dir", 0, result), 26);
        unsigned int received = 0;
        std::memcpy(&received, payload.data(), payload.size());
        EXPECT_EQ(result, c.keepsBytes ? received : c.number);
    }
}

TEST_F(FileManagementTest, RemoveDirAndChangeModeBlocksAndOutcomes) {
    On("RmDir").Reply("FDI__Transport__Rmdir_Success");
    ASSERT_EQ(flash_->RemoveDir("old"), 0);
    EXPECT_EQ(seen_.at(0).data, PathBytes("/data/old"));
    EXPECT_EQ(seen_[0].replyName, "Rmdir_Success");
    EXPECT_EQ(seen_[0].replyCapacity, 1024);
    EXPECT_EQ(seen_[0].expected,
              (Names{"FDI__Transport__Rmdir_Error", "FDI__Transport__Rmdir_Success"}));
    ExpectOutcomes(
        "RmDir", [&] { return flash_->RemoveDir("old"); },
        {{"FDI__Transport__Rmdir_Error", 27}, {nullptr, UE_LINK_TIMEOUT}}, true, true);

    seen_.clear();
    On("FchangeMode").Reply("FDI__Transport__F_ChangeMode_Success");
    ASSERT_EQ(flash_->ChangeMode("f.txt", 292), 0);
    EXPECT_EQ(seen_.at(0).data, Bytes(PayloadBuilder().Text("/data/f.txt", 256).U32(0x124)));
    EXPECT_EQ(seen_[0].replyName, "F_ChangeMode_Success");
    EXPECT_EQ(seen_[0].replyCapacity, 1);
    EXPECT_EQ(seen_[0].expected, (Names{"FDI__Transport__F_ChangeMode_Error",
                                        "FDI__Transport__F_ChangeMode_Success"}));
    ExpectOutcomes(
        "FchangeMode", [&] { return flash_->ChangeMode("f.txt", 511); },
        {{"FDI__Transport__F_ChangeMode_Success", 0},
         {"FDI__Transport__F_ChangeMode_Error", 16},
         {nullptr, UE_LINK_TIMEOUT}},
        false, true);
}

TEST_F(FileManagementTest, FileStatusReadsTwoBytesAndClearsOnFailure) {
    struct {
        short status;
        short guard;
    } area{7, 0x5A5A};
    On("FStatus").Reply("FDI__Transport__F_Status_Success", Bytes{0xFE, 0xFF, 0x11, 0x22});
    EXPECT_EQ(Access::GetFileStatus(*flash_, "f", area.status), 0);
    EXPECT_EQ(area.status, -2);
    EXPECT_EQ(area.guard, 0x5A5A);
    EXPECT_EQ(seen_.at(0).data, PathBytes("/data/f"));
    EXPECT_EQ(seen_[0].replyCapacity, 2);
    EXPECT_EQ(seen_[0].expected,
              (Names{"FDI__Transport__F_Status_Error", "FDI__Transport__F_Status_Success"}));

    On("FStatus").Reply("FDI__Transport__F_Status_Error");
    EXPECT_EQ(Access::GetFileStatus(*flash_, "f", area.status), 11);
    area.status = 7;
    EXPECT_EQ(Access::GetFileStatus(*flash_, "f", area.status), UE_LINK_TIMEOUT);
    EXPECT_EQ(area.status, 0);
}

TEST_F(FileManagementTest, PathsThatDoNotFitTheirFieldAreRefusedUnsent) {
    const std::string fits(255 - 6, 'p');  // with the "/data/" prefix: 255 bytes
    const std::string tooLong = fits + "q";
    unsigned int result = 0;
    On("*").Sticky().Reply("FDI__Transport__mkdir_Success");
    EXPECT_EQ(flash_->MakeDir(fits.c_str(), 0, result), 0);
    flash_->m_bContentChanged = 0;
    EXPECT_EQ(flash_->MakeDir(tooLong.c_str(), 0, result), 20);
    EXPECT_EQ(flash_->ChangeMode(tooLong.c_str(), 292), 20);
    EXPECT_EQ(flash_->RenameFile(tooLong.c_str(), "b"), 20);
    EXPECT_EQ(flash_->RenameFile("a", tooLong.c_str()), 20);
    EXPECT_EQ(flash_->m_bContentChanged, 0);
    EXPECT_EQ(target_->Commands().size(), 1u);
}

}  // namespace
