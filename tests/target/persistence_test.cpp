// Flash image persistence of the simulated target: restart round trip, a
// crash between writing the new image and renaming it, damaged images.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ImageCodec.h"
#include "ImageStore.h"
#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

namespace fs = std::filesystem;

class Persistence : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quorvex_target_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        target_.config.image_dir = dir_.string();
    }
    void TearDown() override {
        SetSaveCrashPointForTest(SaveCrashPoint::kNone);
        fs::remove_all(dir_);
    }

    fs::path dir_;
    TestTarget target_;
};

TEST_F(Persistence, FlashSurvivesARestartExceptRamVolumes) {
    {
        Harness h(target_.config);
        ASSERT_EQ(h.MakeDir(0, "logs", 0700).name, "mkdir_Success");
        ASSERT_TRUE(h.Put(0, "logs/a.log", Text("cp data")));
        ASSERT_TRUE(h.Put(0, "rfm/tmp", Text("gone")));
        ASSERT_TRUE(h.Put(1, "b.bin", Bytes(3000, 0xAB)));
        ASSERT_EQ(h.ChangeMode(1, "b.bin", 0444), "F_ChangeMode_Success");
        EXPECT_EQ(h.sim().persist_error(), "");
    }
    Harness h(target_.config);
    EXPECT_EQ(h.Get(0, "logs/a.log"), Text("cp data"));
    EXPECT_EQ(LeAt(h.One(0, "FDI__Transport__FStatus", Path("logs")).data, 0, 2), 0x4000u | 0700);
    EXPECT_EQ(h.Get(1, "b.bin"), Bytes(3000, 0xAB));
    EXPECT_EQ(h.Name(1, "FDI__Transport__Remove_File", Path("b.bin")), "Remove_Error");
    EXPECT_EQ(h.Free(1, "mfm"), 64 * 1024 - 3000);
    EXPECT_EQ(h.Get(0, "rfm/tmp"), Text("<missing>"));
}

TEST_F(Persistence, CrashBeforeTheRenameLeavesThePreviousImage) {
    {
        Harness h(target_.config);
        ASSERT_TRUE(h.Put(0, "kept", Text("v1")));
        SetSaveCrashPointForTest(SaveCrashPoint::kAfterTempWrite);
        ASSERT_EQ(h.MakeDir(0, "lost").name, "mkdir_Success");
        EXPECT_NE(h.sim().persist_error(), "");
        EXPECT_TRUE(fs::exists(dir_ / "cp.qxi.tmp"));
    }
    SetSaveCrashPointForTest(SaveCrashPoint::kNone);
    Harness h(target_.config);
    EXPECT_EQ(h.Get(0, "kept"), Text("v1"));
    EXPECT_EQ(h.Name(0, "FDI__Transport__FStatus", Path("lost")), "F_Status_Error");
    EXPECT_FALSE(fs::exists(dir_ / "cp.qxi.tmp"));
}

TEST_F(Persistence, DamagedImagesAreRefusedNotOverwritten) {
    {
        Harness h(target_.config);
        ASSERT_TRUE(h.Put(1, "x", Text("payload")));
    }
    const fs::path image = dir_ / "ap.qxi";
    const auto size = fs::file_size(image);
    {
        std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size / 2));
        f.put('\x5A');
    }
    std::string error;
    EXPECT_EQ(Simulator::Create(target_.config, &error), nullptr);
    EXPECT_NE(error.find("ap.qxi"), std::string::npos) << error;
    EXPECT_EQ(fs::file_size(image), size);

    fs::resize_file(image, size - 5);
    EXPECT_EQ(Simulator::Create(target_.config, &error), nullptr);
}

TEST(ImageCodec, RoundTripsAndRejectsEveryTruncation) {
    TestTarget t;
    t.config.durable = false;
    FlashCore core(t.config.cp, t.config.clock);
    ASSERT_EQ(core.MakeDir("d", 0755), FsStatus::kOk);
    std::int32_t id = 0;
    bool ram = false;
    ASSERT_EQ(core.Open("d/f", "wb", &id, &ram), FsStatus::kOk);
    ASSERT_EQ(core.Write(id, reinterpret_cast<const std::uint8_t*>("hello"), 5), FsStatus::kOk);
    const Bytes image = EncodeImage(core);

    FlashCore copy(t.config.cp, t.config.clock);
    std::string error;
    ASSERT_TRUE(DecodeImage(image.data(), image.size(), &copy, &error)) << error;
    EXPECT_EQ(EncodeImage(copy), image);
    EXPECT_EQ(copy.default_volume().used, 5u);
    for (std::size_t n = 0; n < image.size(); ++n) {
        EXPECT_FALSE(DecodeImage(image.data(), n, &copy, &error)) << n;
    }
}

}  // namespace
}  // namespace quorvex::sim::testing
