// Open, read, write, seek and close on the simulated target, with the
// free-space accounting behind them (round trips in both layouts run through
// the module in the transfer and end-to-end suites).
#include <set>

#include "FlashStore.h"
#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

Bytes Pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

TEST(FileChannel, WritesAcrossChunksKeepTheRestAndShowOnlyOnClose) {
    Harness h([](SimConfig& c) { c.ap.volumes = {{"mfm", 1 << 20, false}}; });
    const std::size_t chunk = FlashStore::kChunkSize;
    const Bytes old = Pattern(2 * chunk + 500);
    ASSERT_TRUE(h.Put(1, "f", old));
    Bytes expected = old;
    std::fill(expected.begin() + chunk - 10, expected.begin() + chunk + 20, 0xEE);

    const std::int32_t id = h.Open(1, "f", "r+");
    ASSERT_EQ(h.Seek(1, id, static_cast<std::int32_t>(chunk) - 10, 0), "Fseek_Success");
    ASSERT_TRUE(h.WriteAll(1, id, Bytes(30, 0xEE)));
    ASSERT_EQ(h.Seek(1, id, 0, 0), "Fseek_Success");
    EXPECT_EQ(h.ReadAll(1, id, 1024), expected);
    EXPECT_EQ(h.Get(1, "f"), old);
    EXPECT_EQ(h.Close(1, id), "F_Close_Success");
    EXPECT_EQ(h.Get(1, "f"), expected);

    const std::int32_t append = h.Open(1, "f", "ab");
    ASSERT_TRUE(h.WriteAll(1, append, Pattern(chunk)));
    h.Close(1, append);
    expected = Concat(expected, Pattern(chunk));
    EXPECT_EQ(h.Get(1, "f"), expected);
    ASSERT_TRUE(h.Put(1, "f", Text("short")));
    EXPECT_EQ(h.Get(1, "f"), Text("short"));
}

TEST(FileChannel, ReadPacketsFollowTheSmallerOfRequestAndCoreLimit) {
    Harness h([](SimConfig& c) { c.ap.in_msg_body_limit = 300; });
    ASSERT_TRUE(h.Put(1, "big", Pattern(1000)));
    const std::int32_t id = h.Open(1, "big", "rb");
    int packets = 0;
    EXPECT_EQ(h.ReadAll(1, id, 1024, &packets), Pattern(1000));
    EXPECT_EQ(packets, 4);
    ASSERT_EQ(h.Seek(1, id, 0, 0), "Fseek_Success");
    EXPECT_EQ(h.ReadAll(1, id, 100, &packets), Pattern(1000));
    EXPECT_EQ(packets, 10);
}

TEST(FileChannel, SeekOriginsAndBounds) {
    Harness h;
    ASSERT_TRUE(h.Put(1, "s", Text("0123456789")));
    const std::int32_t id = h.Open(1, "s", "rb");
    EXPECT_EQ(h.Seek(1, id, -3, 2), "Fseek_Success");
    EXPECT_EQ(h.ReadAll(1, id, 1024), Text("789"));
    EXPECT_EQ(h.Seek(1, id, 2, 0), "Fseek_Success");
    EXPECT_EQ(h.Seek(1, id, 3, 1), "Fseek_Success");
    EXPECT_EQ(h.ReadAll(1, id, 2), Text("56789"));
    EXPECT_EQ(h.Seek(1, id, 11, 0), "Fseek_Error");
    EXPECT_EQ(h.Seek(1, id, -1, 0), "Fseek_Error");
    EXPECT_EQ(h.Seek(1, id, 0, 3), "Fseek_Error");
    EXPECT_EQ(h.Seek(1, id + 1, 0, 0), "Fseek_Error");
    EXPECT_EQ(h.Name(1, "Fseek", Bytes(11, 0)), "Fseek_Error");

    // A RAM volume answers with the RAM report forms.
    const auto r = h.One(0, "Fopen", h.FopenParams("rfm/t", "wb+"));
    ASSERT_EQ(r.name, "F_Open_Return_FileID_RAM");
    const auto ram = static_cast<std::int32_t>(LeAt(r.data, 0, 4));
    EXPECT_EQ(h.Seek(0, ram, 0, 0), "Fseek_Success_RAM");
    EXPECT_EQ(h.Seek(0, ram, 5, 0), "Fseek_Error_RAM");
}

TEST(FileChannel, OpenRefusals) {
    Harness h([](SimConfig& c) { c.cp.max_open_files = 3; });
    ASSERT_TRUE(h.Put(0, "ro", Text("x")));
    ASSERT_EQ(h.ChangeMode(0, "ro", 0444), "F_ChangeMode_Success");
    ASSERT_EQ(h.MakeDir(0, "dir").name, "mkdir_Success");

    const char* refused[][2] = {{"missing", "rb"}, {"nodir/new", "wb+"}, {"ro", "wb+"},
                                {"ro", "r+"},      {"dir", "rb"},        {"dfm", "rb"},
                                {"new", "x"},      {"new", "wq"}};
    for (const auto& [path, mode] : refused) EXPECT_EQ(h.Open(0, path, mode), -1) << path << mode;
    EXPECT_EQ(h.Name(0, "Fopen", Field("ro", 256)), "F_Open_Error");

    std::set<std::int32_t> ids;
    for (int i = 0; i < 3; ++i) ids.insert(h.Open(0, "ro", "rb"));
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(-1), 0u);
    EXPECT_EQ(h.Open(0, "ro", "rb"), -1);  // table full
    h.Close(0, *ids.begin());
    EXPECT_GT(h.Open(0, "ro", "rb"), 0);
}

TEST(FileChannel, HandlesRefuseWrongDirectionAndStaleUse) {
    Harness h;
    ASSERT_TRUE(h.Put(0, "f", Text("abc")));
    const std::int32_t reader = h.Open(0, "f", "rb");
    EXPECT_EQ(h.WritePacket(0, reader, Text("z")), "F_Write_Error");
    const std::int32_t writer = h.Open(0, "f", "ab");
    EXPECT_EQ(h.Name(0, "Fread", h.ReadParams(0, writer, 1024)), "F_Read_Error");
    EXPECT_EQ(h.Name(0, "Fread", h.ReadParams(0, reader, 0)), "F_Read_Bad_Input");
    EXPECT_EQ(h.Name(0, "Fread", Bytes{1, 0, 0}), "F_Read_Bad_Input");

    // A count larger than the bytes that came with it.
    Bytes p = h.IdField(0, writer);
    PutLe(p, 10, 2);
    p.resize(p.size() + 4, 'q');
    EXPECT_EQ(h.Name(0, "Fwrite", p), "F_Write_Error");

    EXPECT_EQ(h.Close(0, writer), "F_Close_Success");
    EXPECT_EQ(h.Close(0, writer), "F_Close_Error");
    EXPECT_EQ(h.WritePacket(0, writer, Text("z")), "F_Write_Error");
    EXPECT_EQ(h.Name(0, "Fclose", Bytes{1, 0}), "F_Close_Error");
    EXPECT_EQ(h.Get(0, "f"), Text("abc"));
}

TEST(FileChannel, SpaceShrinksWithWritesAndReturnsOnTruncateAndRemove) {
    Harness h([](SimConfig& c) { c.ap.volumes = {{"mfm", 4096, false}}; });
    const std::int32_t id = h.Open(1, "a", "wb+");
    ASSERT_TRUE(h.WriteAll(1, id, Pattern(4096)));
    EXPECT_EQ(h.Free(1, "mfm"), 0);
    EXPECT_EQ(h.WritePacket(1, id, Text("!")), "F_Write_Error");
    // Overwriting in place needs no new space.
    ASSERT_EQ(h.Seek(1, id, 10, 0), "Fseek_Success");
    EXPECT_EQ(h.WritePacket(1, id, Text("xy")), "F_Write_Success");
    h.Close(1, id);
    EXPECT_GT(h.Open(1, "b", "wb+"), 0);  // an empty file needs no space

    const std::int32_t again = h.Open(1, "a", "wb+");
    EXPECT_EQ(h.Free(1, "mfm"), 4096);
    ASSERT_TRUE(h.WriteAll(1, again, Pattern(1000)));
    h.Close(1, again);
    EXPECT_EQ(h.Free(1, ""), 3096);
    EXPECT_EQ(h.Free(1, "a"), 3096);  // a first path part that is a file name
    EXPECT_EQ(h.Remove(1, "a"), "Remove_Success");
    EXPECT_EQ(h.Free(1, "mfm"), 4096);
    EXPECT_EQ(h.Free(1, "../x"), -1);
    EXPECT_EQ(h.Name(1, "GetFdiFdvAvailableSpace", Text("mfm")), "FdvAvailableSize_Error");
    EXPECT_EQ(h.Name(0, "GetFdiFdvAvailableSpace", Path("rfm")), "FdvAvailableSize_RAM");
}

}  // namespace
}  // namespace quorvex::sim::testing
