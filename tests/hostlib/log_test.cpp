// The module log: channels, sinks and the default file.
#include "hostlib/log.h"

#include <regex>

#include "host_home.h"

namespace {

using quorvex::host::FormatLogLine;
using quorvex::host::LogRecord;
using quorvex::host::MemoryLogSink;
using quorvex::host::SetLogSink;

using ModuleLog = ScratchHome;

TEST_F(ModuleLog, ChannelsAreSharedPerNamePairAndTheSinkGetsNameLineAndMask) {
    ILogChannel* log = OpenLogChannel("Quorvex", "");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(OpenLogChannel("Quorvex", ""), log);
    EXPECT_NE(OpenLogChannel("Quorvex", "extra"), log);
    EXPECT_NE(OpenLogChannel("quorvex", ""), log);

    auto sink = std::make_shared<MemoryLogSink>();
    SetLogSink(sink);
    EXPECT_TRUE(log->WriteLogLine("Quorvex; Instance name: GUI Instance.", 0x7FE));
    EXPECT_TRUE(OpenLogChannel("Quorvex", "sub")->WriteLogLine("two\r\nlines", 1));
    auto records = sink->Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].channel, "Quorvex");
    EXPECT_EQ(records[0].line, "Quorvex; Instance name: GUI Instance.");
    EXPECT_EQ(records[0].mask, 0x7FEu);
    EXPECT_EQ(records[1].channel, "Quorvex/sub");
    EXPECT_EQ(records[1].line, "two  lines");
}

TEST_F(ModuleLog, DefaultSinkAppendsStampedLinesToTheHostFolder) {
    SetLogSink(nullptr);
    ILogChannel* log = OpenLogChannel("Quorvex", "");
    EXPECT_TRUE(log->WriteLogLine("Quorvex; Instance name: a.", 0x7FE));
    EXPECT_TRUE(log->WriteLogLine("Quorvex; Instance name: b.", 0x7FE));
    std::string text = ReadFile("quorvex.log");
    std::regex line(
        R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[Quorvex\] Quorvex; Instance name: a\.\n)"
        R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[Quorvex\] Quorvex; Instance name: b\.\n)");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST(LogFormat, StampIsZeroPadded) {
    SYSTEMTIME t{2026, 4, 0, 12, 9, 5, 7, 3};
    EXPECT_EQ(FormatLogLine(LogRecord{"Quorvex", "x", 0}, t),
              "2026-04-12 09:05:07.003 [Quorvex] x");
}

}  // namespace
