// Frame decoder: reassembly from arbitrary reads and refusal of broken envelopes.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

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
    std::vector<std::uint8_t> largest = {'Q', 'X', 0x82, 0, 1, 0, 0, 0, 0x00, 0x00, 0x10, 0x00};
    largest.resize(kFrameHeaderSize + kMaxPayloadSize, 0xA5);
    const std::uint32_t crc = Crc32(largest.data(), largest.size());
    for (int i = 0; i < 4; ++i) largest.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    EXPECT_EQ(DecodeInPieces(largest, {kFrameHeaderSize}).size(), 1u);
}

TEST(FrameDecoder, AnyChangedByteBehindTheLengthFailsTheChecksumForGood) {
    ReportFrame report;
    report.name = "F_Close_Success";
    report.data = {1, 2, 3};
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
