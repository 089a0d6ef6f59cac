// Checksum, byte layout and payload codecs of the link protocol, and the frame
// decoder: reassembly from arbitrary reads and refusal of broken envelopes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <tuple>
#include <vector>

#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

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
        return frame.U32(static_cast<std::uint32_t>(crc32(0, frame.v.data(), frame.v.size()))).v;
    }
};

std::vector<std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& frame) {
    return {frame.begin() + kFrameHeaderSize, frame.end() - kFrameCrcSize};
}

TEST(FrameEncoding, CommandAndPingFramesAreByteExact) {
    CommandFrame command{-2, false, "FDI", "Transport", "F_Open", {0xDE, 0x00, 0xAD}};
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeCommand(0x01020304, command, &frame));
    Bytes payload;
    payload.U32(0xFFFFFFFE).U8(0).Str("FDI").Str("Transport").Str("F_Open");
    payload.U16(3).U8(0xDE).U8(0x00).U8(0xAD);
    EXPECT_EQ(frame, payload.Frame(0x02, 0x01020304));
    // Sent in pieces, with the data from where it lies, it is the same frame.
    std::vector<std::uint8_t> head;
    std::uint32_t crc = 0;
    ASSERT_TRUE(EncodeCommandHead(0x01020304, ViewOf(command), &head, &crc));
    head.insert(head.end(), command.data.begin(), command.data.end());
    EXPECT_EQ(Bytes{head}.U32(crc).v, frame);
    ReportFrame report{0, "", "", "F_Read_Packet", {1, 2, 3}};
    ASSERT_TRUE(EncodeReport(5, report, &frame));
    ASSERT_TRUE(EncodeReportHead(5, report, &head, &crc));
    head.insert(head.end(), report.data.begin(), report.data.end());
    EXPECT_EQ(Bytes{head}.U32(crc).v, frame);

    // The buffer is reused: a shorter frame must not keep old bytes.
    EncodeEmptyFrame(FrameType::kPing, 9, &frame);
    EXPECT_EQ(frame, Bytes().Frame(0x03, 9));
    // The link's checksum is the IEEE one, continued correctly over pieces.
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
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

    // The largest data a u16 length allows.
    CommandFrame command{1, true, "FDI", "", "F_Write", std::vector<std::uint8_t>(65535, 0x5A)};
    CommandFrame command_back;
    ASSERT_TRUE(EncodeCommand(5, command, &frame));
    ASSERT_TRUE(DecodeCommand(PayloadOf(frame).data(), PayloadOf(frame).size(), &command_back));
    auto command_fields = [](const CommandFrame& c) {
        return std::tie(c.side, c.wants_reply, c.service, c.module, c.name, c.data);
    };
    EXPECT_EQ(command_fields(command_back), command_fields(command));

    ReportFrame report{2, "", "Transport", "F_Read_Success", {0, 1, 2}, 250};
    ReportFrame report_back;
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
    // Wants-reply is a flag: anything but 0 or 1 is not a command we know.
    EXPECT_FALSE(Decodes(0x02, Bytes().U32(0).U8(2).Str("").Str("").Str("").U16(0).v));
    // A count is checked against the bytes left before anything is sized from it.
    EXPECT_FALSE(Decodes(0x81, Bytes().U16(1).U32(1).U32(0xFFFFFFFF).U16(0).U16(0).v));
    Welcome welcome;
    Bytes just_fits;
    just_fits.U16(1).U32(1).U32(3).U16(0).U16(0).U16(0).U32(0).U32(0);
    ASSERT_TRUE(DecodeWelcome(just_fits.v.data(), just_fits.v.size(), &welcome));
    EXPECT_EQ(welcome.cp.commands.size(), 3u);
}

using Seen = std::tuple<std::uint8_t, std::uint32_t, std::vector<std::uint8_t>>;

// What one Next call gives, with the payload copied out.
FrameDecoder::Status Take(FrameDecoder& decoder, std::vector<Seen>* seen) {
    FrameView frame;
    const FrameDecoder::Status status = decoder.Next(&frame);
    if (status == FrameDecoder::Status::kFrame) {
        seen->emplace_back(
            frame.type, frame.exchange_id,
            std::vector<std::uint8_t>(frame.payload, frame.payload + frame.payload_size));
    }
    return status;
}

// Feeds `stream` in pieces ending at each cut and at the end; returns every
// frame in the order the decoder handed them out.
std::vector<Seen> DecodeInPieces(const std::vector<std::uint8_t>& stream,
                                 std::vector<std::size_t> cuts) {
    FrameDecoder decoder;
    std::vector<Seen> seen;
    std::size_t from = 0;
    cuts.push_back(stream.size());
    for (std::size_t to : cuts) {
        decoder.Feed(stream.data() + from, to - from);
        from = to;
        while (Take(decoder, &seen) == FrameDecoder::Status::kFrame) {
        }
    }
    EXPECT_EQ(decoder.buffered(), 0u);
    return seen;
}

TEST(FrameDecoder, ReassemblesFramesCutAnywhere) {
    std::vector<std::uint8_t> stream, frame;
    auto add = [&] { stream.insert(stream.end(), frame.begin(), frame.end()); };
    EncodeHello(0, 1, "quorvex", &frame);
    add();
    EncodeEmptyFrame(FrameType::kPing, 0xFFFFFFFF, &frame);
    add();
    CommandFrame command;
    command.data = {'Q', 'X', 0x02, 0};  // looks like a header; must not confuse anything
    EncodeCommand(42, command, &frame);
    add();
    const std::vector<Seen> expected = DecodeInPieces(stream, {});
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(std::get<1>(expected[1]), 0xFFFFFFFFu);
    EXPECT_EQ(expected[2], Seen(0x02, 42, {frame.begin() + kFrameHeaderSize, frame.end() - 4}));

    for (std::size_t i = 0; i <= stream.size(); ++i) {
        for (std::size_t j = i; j <= stream.size(); ++j) {
            ASSERT_EQ(DecodeInPieces(stream, {i, j}), expected) << "cuts " << i << ", " << j;
        }
    }
    std::vector<std::size_t> every_byte;
    for (std::size_t i = 1; i < stream.size(); ++i) every_byte.push_back(i);
    EXPECT_EQ(DecodeInPieces(stream, every_byte), expected);
}

// Each refusal comes from the bytes that show the fault, without waiting for
// the rest of a frame whose header is already wrong.
TEST(FrameDecoder, RefusesBrokenHeadersAsSoonAsTheyShow) {
    const std::pair<std::vector<std::uint8_t>, FrameError> cases[] = {
        {{'G'}, FrameError::kBadMagic},
        {{'Q', 'Y'}, FrameError::kBadMagic},
        {{'Q', 'X', 0x82, 0x01}, FrameError::kBadFlags},
        {{'Q', 'X', 0x82, 0, 1, 0, 0, 0, 0x01, 0x00, 0x10, 0x00},
         FrameError::kTooLong},  // 1 MiB + 1
        {{'Q', 'X', 0x82, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, FrameError::kTooLong},
    };
    for (const auto& [bytes, error] : cases) {
        FrameDecoder decoder;
        decoder.Feed(bytes.data(), bytes.size());
        std::vector<Seen> seen;
        EXPECT_EQ(Take(decoder, &seen), FrameDecoder::Status::kError) << bytes.size();
        EXPECT_EQ(decoder.error(), error) << bytes.size();
    }

    // Exactly the bound is still a frame.
    Bytes largest;
    largest.v.assign(kMaxPayloadSize, 0xA5);
    EXPECT_EQ(DecodeInPieces(largest.Frame(0x82, 1), {kFrameHeaderSize}).size(), 1u);
}

TEST(FrameDecoder, AnyChangedByteBehindTheLengthFailsTheChecksumForGood) {
    ReportFrame report{0, "", "", "F_Close_Success", {1, 2, 3}};
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(EncodeReport(3, report, &frame));
    // Type, exchange id, payload and the CRC itself.
    std::vector<std::size_t> positions = {2, 4, 7};
    for (std::size_t i = kFrameHeaderSize; i < frame.size(); ++i) positions.push_back(i);
    for (std::size_t position : positions) {
        std::vector<std::uint8_t> broken = frame;
        broken[position] ^= 0x10;
        FrameDecoder decoder;
        decoder.Feed(broken.data(), broken.size());
        std::vector<Seen> seen;
        ASSERT_EQ(Take(decoder, &seen), FrameDecoder::Status::kError) << "byte " << position;
        EXPECT_EQ(decoder.error(), FrameError::kBadCrc) << "byte " << position;
        // The stream cannot be trusted any more, whatever comes after.
        decoder.Feed(frame.data(), frame.size());
        EXPECT_EQ(Take(decoder, &seen), FrameDecoder::Status::kError) << "byte " << position;
    }
}

}  // namespace
}  // namespace quorvex::link
