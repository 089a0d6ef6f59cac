// Checksum, byte layout and payload codecs of the link protocol.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

// Bit-at-a-time CRC-32, written apart from the table-driven one under test.
std::uint32_t BitwiseCrc32(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Appends little-endian fields, to spell frames out by hand.
struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& U8(std::uint32_t x) {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    Bytes& U16(std::uint32_t x) { return U8(x).U8(x >> 8); }
    Bytes& U32(std::uint32_t x) { return U16(x).U16(x >> 16); }
    Bytes& Str(const std::string& s) {
        U16(static_cast<std::uint32_t>(s.size()));
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    // Wraps the bytes so far, as a payload, into a whole frame.
    std::vector<std::uint8_t> Frame(std::uint8_t type, std::uint32_t id) const {
        Bytes frame;
        frame.U8('Q').U8('X').U8(type).U8(0).U32(id).U32(static_cast<std::uint32_t>(v.size()));
        frame.v.insert(frame.v.end(), v.begin(), v.end());
        return frame.U32(BitwiseCrc32(frame.v)).v;
    }
};

std::vector<std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& frame) {
    return {frame.begin() + kFrameHeaderSize, frame.end() - kFrameCrcSize};
}

TEST(FrameEncoding, CommandAndPingFramesAreByteExact) {
    CommandFrame command;
    command.side = -2;
    command.wants_reply = false;
    command.service = "FDI";
    command.module = "Transport";
    command.name = "F_Open";
    command.data = {0xDE, 0x00, 0xAD};
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeCommand(0x01020304, command, &frame));
    Bytes payload;
    payload.U32(0xFFFFFFFE).U8(0).Str("FDI").Str("Transport").Str("F_Open");
    payload.U16(3).U8(0xDE).U8(0x00).U8(0xAD);
    EXPECT_EQ(frame, payload.Frame(0x02, 0x01020304));

    // The buffer is reused: a shorter frame must not keep old bytes. The
    // expected checksums come from the bitwise reference above.
    EncodeEmptyFrame(FrameType::kPing, 9, &frame);
    EXPECT_EQ(frame, Bytes().Frame(0x03, 9));
}

TEST(PayloadCodec, EveryTypedFrameRoundTrips) {
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeHello(0, kProtocolVersion, "quorvex", &frame));
    std::uint16_t version = 0;
    std::string name;
    ASSERT_TRUE(DecodeHello(PayloadOf(frame).data(), PayloadOf(frame).size(), &version, &name));
    EXPECT_EQ(std::tie(version, name), std::make_tuple(kProtocolVersion, std::string("quorvex")));

    Welcome welcome, welcome_back;
    welcome.cp = {1, {"FDI__Transport__F_Open", "", std::string("a\0b", 3)}};
    welcome.ap = {3, {}};
    ASSERT_TRUE(EncodeWelcome(0, welcome, &frame));
    ASSERT_TRUE(DecodeWelcome(PayloadOf(frame).data(), PayloadOf(frame).size(), &welcome_back));
    auto welcome_fields = [](const Welcome& w) {
        return std::tie(w.version, w.cp.os_type, w.cp.commands, w.ap.os_type, w.ap.commands);
    };
    EXPECT_EQ(welcome_fields(welcome_back), welcome_fields(welcome));

    CommandFrame command, command_back;
    command.side = 1;
    command.service = "FDI";
    command.name = "F_Write";
    command.data.assign(65535, 0x5A);  // the largest data a u16 length allows
    ASSERT_TRUE(EncodeCommand(5, command, &frame));
    ASSERT_TRUE(DecodeCommand(PayloadOf(frame).data(), PayloadOf(frame).size(), &command_back));
    auto command_fields = [](const CommandFrame& c) {
        return std::tie(c.side, c.wants_reply, c.service, c.module, c.name, c.data);
    };
    EXPECT_EQ(command_fields(command_back), command_fields(command));

    ReportFrame report, report_back;
    report.side = 2;
    report.module = "Transport";
    report.name = "F_Read_Success";
    report.data = {0, 1, 2};
    report.delay_ms = 250;
    ASSERT_TRUE(EncodeReport(7, report, &frame));
    report_back.delay_ms = 99;
    ASSERT_TRUE(DecodeReport(PayloadOf(frame).data(), PayloadOf(frame).size(), &report_back));
    report.delay_ms = 0;  // a sender-side detail, never on the wire
    auto report_fields = [](const ReportFrame& r) {
        return std::tie(r.side, r.service, r.module, r.name, r.data, r.delay_ms);
    };
    EXPECT_EQ(report_fields(report_back), report_fields(report));
}

TEST(PayloadCodec, EncoderRefusesWhatItsLengthsCannotSay) {
    std::vector<std::uint8_t> frame;
    EXPECT_FALSE(EncodeHello(0, 1, std::string(65536, 'x'), &frame));
    CommandFrame command;
    command.data.assign(65536, 0);
    EXPECT_FALSE(EncodeCommand(1, command, &frame));
    // Seventeen long names fit in one frame, eighteen do not.
    Welcome welcome;
    welcome.cp.commands.assign(17, std::string(60000, 'c'));
    EXPECT_TRUE(EncodeWelcome(0, welcome, &frame));
    welcome.cp.commands.push_back(std::string(60000, 'c'));
    EXPECT_FALSE(EncodeWelcome(0, welcome, &frame));
}

bool Decodes(std::uint8_t type, const std::vector<std::uint8_t>& p) {
    std::uint16_t version;
    std::string name;
    Welcome welcome;
    CommandFrame command;
    ReportFrame report;
    switch (type) {
        case 0x01:
            return DecodeHello(p.data(), p.size(), &version, &name);
        case 0x81:
            return DecodeWelcome(p.data(), p.size(), &welcome);
        case 0x02:
            return DecodeCommand(p.data(), p.size(), &command);
        default:
            return DecodeReport(p.data(), p.size(), &report);
    }
}

// Each decoder takes its payload exactly: every shorter prefix cuts a field
// short, and one byte more is left over.
TEST(PayloadCodec, TruncatedOrOverlongPayloadsAreRefused) {
    Bytes hello, welcome, command, report;
    hello.U16(1).Str("quorvex");
    welcome.U16(1).U32(1).U32(1).Str("A__B__C").U32(3).U32(2).Str("D").Str("");
    command.U32(1).U8(1).Str("S").Str("").Str("N").U16(2).U8(1).U8(2);
    report.U32(1).Str("").Str("M").Str("").U16(1).U8(3);
    const std::pair<std::uint8_t, Bytes> cases[] = {
        {0x01, hello}, {0x81, welcome}, {0x02, command}, {0x82, report}};
    for (const auto& [type, bytes] : cases) {
        const std::vector<std::uint8_t>& payload = bytes.v;
        EXPECT_TRUE(Decodes(type, payload)) << int{type};
        for (std::size_t cut = 0; cut < payload.size(); ++cut) {
            EXPECT_FALSE(Decodes(type, {payload.begin(), payload.begin() + cut}))
                << int{type} << " cut at " << cut;
        }
        std::vector<std::uint8_t> longer = payload;
        longer.push_back(0);
        EXPECT_FALSE(Decodes(type, longer)) << int{type};
    }
}

TEST(PayloadCodec, FieldValuesFromThePeerAreChecked) {
    CommandFrame command;
    Bytes flag;  // wants-reply is a flag: anything but 0 or 1 is not a command we know
    flag.U32(0).U8(2).Str("").Str("").Str("").U16(0);
    EXPECT_FALSE(DecodeCommand(flag.v.data(), flag.v.size(), &command));

    // A count is checked against the bytes left before anything is sized from it.
    Welcome welcome;
    Bytes huge;
    huge.U16(1).U32(1).U32(0xFFFFFFFF).U16(0).U16(0);
    EXPECT_FALSE(DecodeWelcome(huge.v.data(), huge.v.size(), &welcome));
    Bytes just_fits;
    just_fits.U16(1).U32(1).U32(3).U16(0).U16(0).U16(0).U32(0).U32(0);
    ASSERT_TRUE(DecodeWelcome(just_fits.v.data(), just_fits.v.size(), &welcome));
    EXPECT_EQ(welcome.cp.commands.size(), 3u);
}

}  // namespace
}  // namespace quorvex::link
