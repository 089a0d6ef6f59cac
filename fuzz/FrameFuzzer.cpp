// Fuzz entry point for the frame decoder and the payload codecs: whatever
// bytes arrive, decoding never crashes, and a payload that decodes encodes
// back to the very same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmdlib/Protocol.h"

namespace {

using quorvex::link::FrameType;
using quorvex::link::FrameView;
using quorvex::link::kFrameHeaderSize;

// Decoding is strict, so encoding its result must reproduce the frame; any
// difference means a field was lost or misread.
void ExpectSameFrame(const FrameView& frame, const std::vector<std::uint8_t>& encoded) {
    if (encoded.size() != kFrameHeaderSize + frame.payload_size + quorvex::link::kFrameCrcSize ||
        encoded[2] != frame.type ||
        std::memcmp(encoded.data() + kFrameHeaderSize, frame.payload, frame.payload_size) != 0) {
        std::abort();
    }
}

void CheckPayload(const FrameView& frame, std::vector<std::uint8_t>* encoded) {
    switch (static_cast<FrameType>(frame.type)) {
        case FrameType::kHello: {
            std::uint16_t version = 0;
            std::string name;
            if (quorvex::link::DecodeHello(frame.payload, frame.payload_size, &version, &name)) {
                if (!quorvex::link::EncodeHello(frame.exchange_id, version, name, encoded))
                    std::abort();
                ExpectSameFrame(frame, *encoded);
            }
            break;
        }
        case FrameType::kWelcome: {
            quorvex::link::Welcome welcome;
            if (quorvex::link::DecodeWelcome(frame.payload, frame.payload_size, &welcome)) {
                if (!quorvex::link::EncodeWelcome(frame.exchange_id, welcome, encoded))
                    std::abort();
                ExpectSameFrame(frame, *encoded);
            }
            break;
        }
        case FrameType::kCommand: {
            // The view (what the target answers from) and the copy must agree,
            // and each must frame back to the received bytes.
            quorvex::link::CommandView view;
            const bool viewed =
                quorvex::link::DecodeCommandView(frame.payload, frame.payload_size, &view);
            quorvex::link::CommandFrame command;
            if (quorvex::link::DecodeCommand(frame.payload, frame.payload_size, &command) !=
                viewed) {
                std::abort();
            }
            if (!viewed) break;
            if (view.data < frame.payload ||
                view.data + view.size != frame.payload + frame.payload_size) {
                std::abort();
            }
            std::uint32_t crc = 0;
            if (!quorvex::link::EncodeCommandHead(frame.exchange_id, view, encoded, &crc))
                std::abort();
            encoded->insert(encoded->end(), view.data, view.data + view.size);
            for (int i = 0; i < 4; ++i)
                encoded->push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
            ExpectSameFrame(frame, *encoded);
            if (!quorvex::link::EncodeCommand(frame.exchange_id, command, encoded)) std::abort();
            ExpectSameFrame(frame, *encoded);
            break;
        }
        case FrameType::kReport: {
            quorvex::link::ReportFrame report;
            if (quorvex::link::DecodeReport(frame.payload, frame.payload_size, &report)) {
                if (!quorvex::link::EncodeReport(frame.exchange_id, report, encoded)) std::abort();
                ExpectSameFrame(frame, *encoded);
            }
            break;
        }
        default:
            break;
    }
}

// Builds a frame with a correct checksum around a raw payload, so that the
// fuzzer reaches the payload decoders without having to solve the CRC.
std::vector<std::uint8_t> WrapInFrame(std::uint8_t type, const std::uint8_t* payload,
                                      std::size_t size) {
    std::vector<std::uint8_t> frame = {
        quorvex::link::kFrameMagic0, quorvex::link::kFrameMagic1, type, 0, 1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    frame.insert(frame.end(), payload, payload + size);
    const std::uint32_t crc = quorvex::link::Crc32(frame.data(), frame.size());
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    return frame;
}

void DecodeStream(const std::uint8_t* data, std::size_t size, std::size_t step) {
    quorvex::link::FrameDecoder decoder;
    std::vector<std::uint8_t> encoded;
    for (std::size_t offset = 0; offset < size; offset += step) {
        decoder.Feed(data + offset, std::min(step, size - offset));
        FrameView frame;
        quorvex::link::FrameDecoder::Status status;
        while ((status = decoder.Next(&frame)) == quorvex::link::FrameDecoder::Status::kFrame) {
            CheckPayload(frame, &encoded);
        }
        if (status == quorvex::link::FrameDecoder::Status::kError) break;
    }
}

}  // namespace

// The first byte steers the run. Its low seven bits say how many bytes each
// Feed gets (0: all at once), so reassembly from split reads is explored too.
// With the high bit clear the rest is a raw byte stream; with it set the next
// byte is a frame type and the rest its payload, framed here.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool wrap = (data[0] & 0x80) != 0;
    std::size_t step = data[0] & 0x7F;
    ++data;
    --size;
    if (wrap) {
        if (size == 0 || size - 1 > quorvex::link::kMaxPayloadSize) return 0;
        const std::vector<std::uint8_t> frame = WrapInFrame(data[0], data + 1, size - 1);
        DecodeStream(frame.data(), frame.size(), step == 0 ? frame.size() : step);
    } else {
        DecodeStream(data, size, step == 0 ? size : step);
    }
    return 0;
}
