// Incremental frame decoder: finds frame boundaries in a byte stream and
// checks each frame's envelope before handing it out.

#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

const char* FrameErrorText(FrameError error) {
    switch (error) {
        case FrameError::kNone:
            return "no error";
        case FrameError::kBadMagic:
            return "bad frame magic";
        case FrameError::kBadFlags:
            return "unknown frame flags";
        case FrameError::kTooLong:
            return "frame payload longer than 1048576 bytes";
        case FrameError::kBadCrc:
            return "frame checksum mismatch";
    }
    return "unknown frame error";
}

void FrameDecoder::Feed(const void* data, std::size_t size) {
    if (error_ != FrameError::kNone || size == 0) return;
    // Drop what was handed out before growing, so the buffer stays about one
    // frame plus one read long.
    if (consumed_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
        consumed_ = 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

FrameDecoder::Status FrameDecoder::Next(FrameView* frame) {
    if (error_ != FrameError::kNone) return Status::kError;
    const std::uint8_t* p = buffer_.data() + consumed_;
    const std::size_t available = buffer_.size() - consumed_;

    // Check each header field as soon as it has arrived: a peer speaking
    // something else is refused at once instead of after a long wait.
    if ((available >= 1 && p[0] != kFrameMagic0) || (available >= 2 && p[1] != kFrameMagic1)) {
        error_ = FrameError::kBadMagic;
        return Status::kError;
    }
    if (available >= 4 && p[3] != 0) {
        error_ = FrameError::kBadFlags;
        return Status::kError;
    }
    if (available < kFrameHeaderSize) return Status::kNeedMore;
    const std::uint32_t payload_size = LoadLe32(p + 8);
    if (payload_size > kMaxPayloadSize) {
        error_ = FrameError::kTooLong;
        return Status::kError;
    }
    const std::size_t frame_size = kFrameHeaderSize + payload_size + kFrameCrcSize;
    if (available < frame_size) return Status::kNeedMore;
    if (Crc32(p, frame_size - kFrameCrcSize) != LoadLe32(p + frame_size - kFrameCrcSize)) {
        error_ = FrameError::kBadCrc;
        return Status::kError;
    }

    frame->type = p[2];
    frame->exchange_id = LoadLe32(p + 4);
    frame->payload = p + kFrameHeaderSize;
    frame->payload_size = payload_size;
    consumed_ += frame_size;
    return Status::kFrame;
}

}  // namespace quorvex::link
