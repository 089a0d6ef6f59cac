// Incremental frame decoder: finds frame boundaries in a byte stream and
// checks each frame's envelope before handing it out.

#include <algorithm>
#include <cstring>

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
    std::memcpy(Prepare(size), data, size);
    Commit(size);
}

std::uint8_t* FrameDecoder::Prepare(std::size_t size) {
    // Frames are usually taken whole as they arrive, so the buffer is mostly
    // empty here and starting over costs nothing; otherwise the unread tail
    // moves to the front before the buffer grows, so it stays about one frame
    // plus one read long.
    if (begin_ == end_) begin_ = end_ = 0;
    if (buffer_.size() - end_ < size && begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < size) buffer_.resize(end_ + size);
    return buffer_.data() + end_;
}

void FrameDecoder::Commit(std::size_t size) {
    if (error_ != FrameError::kNone) return;
    end_ += std::min(size, buffer_.size() - end_);
}

FrameDecoder::Status FrameDecoder::Next(FrameView* frame) {
    if (error_ != FrameError::kNone) return Status::kError;
    const std::uint8_t* p = buffer_.data() + begin_;
    const std::size_t available = end_ - begin_;

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
    begin_ += frame_size;
    return Status::kFrame;
}

}  // namespace quorvex::link
