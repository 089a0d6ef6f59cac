// Directory listing of the simulated target: packet layout in both FDI
// layouts, splitting over packets, patterns and the error answers.
#include <cstring>
#include <set>

#include "TargetHarness.h"

namespace quorvex::sim::testing {
namespace {

struct Packet {
    std::string text;
    int count = 0;
    bool last = false;
};

// Checks the fixed 1028-byte layout and returns the packets of one listing.
std::vector<Packet> ListPackets(Harness& h, int side, const std::string& pattern,
                                const std::string& expected_name = "F_NameList_Packet") {
    std::vector<Packet> packets;
    for (const auto& r : h.Send(side, "GetFileNameList", Path(pattern))) {
        EXPECT_EQ(r.name, expected_name);
        EXPECT_EQ(r.data.size(), 1028u);
        if (r.data.size() != 1028u) break;
        Packet p;
        const auto* chars = reinterpret_cast<const char*>(r.data.data());
        p.text.assign(chars, strnlen(chars, 1024));
        p.count = static_cast<std::int16_t>(LeAt(r.data, 1024, 2));
        p.last = r.data[1026] != 0;
        packets.push_back(p);
    }
    return packets;
}

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find('@', start)) != std::string::npos; start = at + 1) {
        fields.push_back(text.substr(start, at - start));
    }
    EXPECT_EQ(start, text.size()) << "text must end with a closing @";
    return fields;
}

std::vector<std::string> Names(Harness& h, int side, const std::string& pattern) {
    std::vector<std::string> names;
    for (const Packet& p : ListPackets(h, side, pattern)) {
        const auto f = Fields(p.text);
        for (std::size_t i = 0; i < f.size(); i += 5) names.push_back(f[i]);
    }
    return names;
}

TEST(FlashListing, WideEntriesCarryBothStampsSizeAndMode) {
    TestTarget t;
    Harness h(t.config);
    *t.now = 1796375107;
    ASSERT_TRUE(h.Put(1, "mfm/a.txt", Text("abc")));
    ASSERT_EQ(h.MakeDir(1, "mfm/sub", 0755).name, "mkdir_Success");
    *t.now += 60;
    const std::int32_t id = h.Open(1, "mfm/a.txt", "ab");
    ASSERT_TRUE(h.WriteAll(1, id, Text("de")));
    h.Close(1, id);
    ASSERT_EQ(h.ChangeMode(1, "mfm/a.txt", 0444), "F_ChangeMode_Success");

    const auto packets = ListPackets(h, 1, "mfm/*");
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].count, 2);
    EXPECT_TRUE(packets[0].last);
    EXPECT_EQ(packets[0].text, "a.txt@1796375107@1796375167@5@292@sub@1796375107@1796375107@0@" +
                                   std::to_string(0x4000 | 0755) + "@");
}

TEST(FlashListing, NarrowLayoutPacksTheCreationStamp) {
    TestTarget t;
    t.config.cp.fdi_version = "FDI5";
    Harness h(t.config);
    ASSERT_EQ(h.Name(0, "Diag__Utils__SetRTC", Rtc(2026, 12, 4, 14, 30, 15)), "SetRTC_Success");
    ASSERT_TRUE(h.Put(0, "dfm/a.txt", Bytes(1500, 7)));
    *t.now += 3600;  // the clock keeps running from where it was set
    ASSERT_TRUE(h.Put(0, "b", {}));

    const auto packets = ListPackets(h, 0, "*");
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].text, "a.txt@59279@313322@1500@420@b@63375@313322@0@420@");
}

class FlashListingLayouts : public ::testing::TestWithParam<const char*> {};

TEST_P(FlashListingLayouts, ManyEntriesSplitIntoWholeEntriesPerPacket) {
    Harness h([this](SimConfig& c) { c.cp.fdi_version = GetParam(); });
    std::vector<std::string> created;
    for (int i = 0; i < 70; ++i) {
        const std::string name = "entry_with_a_fairly_long_name_" + std::to_string(100 + i);
        ASSERT_TRUE(h.Put(0, "dfm/" + name, Bytes(static_cast<std::size_t>(i), 1)));
        created.push_back(name);
    }
    const auto packets = ListPackets(h, 0, "dfm/*");
    ASSERT_GE(packets.size(), 3u);
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].last, i + 1 == packets.size());
        EXPECT_LE(packets[i].text.size(), 1024u);
        const auto f = Fields(packets[i].text);
        ASSERT_EQ(f.size(), static_cast<std::size_t>(packets[i].count) * 5);
        for (std::size_t k = 0; k < f.size(); k += 5) {
            listed.push_back(f[k]);
            EXPECT_EQ(f[k + 3], std::to_string(std::stoi(f[k].substr(30)) - 100));
        }
    }
    EXPECT_EQ(listed, created);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FlashListingLayouts, ::testing::Values("FDI5", "FDI6"),
                         [](const auto& info) { return std::string(info.param); });

TEST(FlashListing, PatternsSelectEntriesOrAnswerWhyNot) {
    Harness h;
    for (const char* n : {"abc", "abd", "a.txt", "b.txt", "xyz"}) ASSERT_TRUE(h.Put(0, n, {}));
    ASSERT_EQ(h.MakeDir(0, "dfm/d").name, "mkdir_Success");
    ASSERT_TRUE(h.Put(0, "dfm/d/inner.txt", {}));

    EXPECT_EQ(Names(h, 0, "*.txt"), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Names(h, 0, "dfm/a?c"), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(Names(h, 0, "dfm/*").size(), 6u);
    EXPECT_EQ(Names(h, 0, "dfm/"), Names(h, 0, "dfm/*"));
    EXPECT_EQ(Names(h, 0, "dfm/d/*"), (std::vector<std::string>{"inner.txt"}));
    EXPECT_EQ(Names(h, 0, "*b*"), (std::vector<std::string>{"abc", "abd", "b.txt"}));

    // Empty and failed listings answer their reports.
    const std::pair<Bytes, const char*> answers[] = {
        {Path("dfm/q*"), "FName_LIST_NOTEXISTS"},   {Path("dfm/none/*"), "Find_Error"},
        {Path("dfm/a.txt/*"), "Find_Error"},        {Path("../*"), "Find_Error"},
        {Text("dfm/*"), "F_Name_List_Error"},       {{}, "F_Name_List_Error"},
        {Path("rfm/*"), "FName_LIST_NOTEXISTS_RAM"}};
    for (const auto& [pattern, answer] : answers) {
        EXPECT_EQ(h.Name(0, "GetFileNameList", pattern), answer) << pattern.size();
    }
    ASSERT_TRUE(h.Put(0, "rfm/r", {}));
    EXPECT_EQ(ListPackets(h, 0, "rfm/*", "F_NameList_Packet_RAM").size(), 1u);
}

}  // namespace
}  // namespace quorvex::sim::testing
