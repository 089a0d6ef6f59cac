// Little-endian field writing into a frame under construction and bounded
// field reading out of a received payload; shared by the payload codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmdlib/Protocol.h"

namespace quorvex::link {

// Builds one frame in place in the caller's buffer: the header first, fields
// appended as they come, then Finish patches the length and adds the CRC.
// A field that does not fit makes the writer stop growing the buffer.
class FrameWriter {
  public:
    FrameWriter(FrameType type, std::uint32_t exchange_id, std::vector<std::uint8_t>* out)
        : out_(out) {
        out_->clear();
        const std::uint8_t header[kFrameHeaderSize] = {kFrameMagic0, kFrameMagic1,
                                                       static_cast<std::uint8_t>(type), 0};
        out_->insert(out_->end(), header, header + kFrameHeaderSize);
        PutLe(exchange_id, 4, 4);
    }

    void U8(std::uint8_t v) { Append(&v, 1); }
    void U16(std::uint16_t v) { AppendLe(v, 2); }
    void U32(std::uint32_t v) { AppendLe(v, 4); }
    void I32(std::int32_t v) { AppendLe(static_cast<std::uint32_t>(v), 4); }
    void String(std::string_view s) { Sized16(s.data(), s.size()); }
    void Data16(const std::vector<std::uint8_t>& data) { Sized16(data.data(), data.size()); }

    // Completes the frame. False if any field was refused.
    bool Finish() {
        std::uint32_t crc = 0;
        if (!FinishHead(nullptr, 0, &crc)) return false;
        AppendLe(crc, 4);
        return true;
    }

    // Completes a frame whose last `size` payload bytes are sent from where
    // they lie instead of being copied in: patches the length to include them
    // and gives the checksum of the whole frame, to be sent after them.
    bool FinishHead(const std::uint8_t* data, std::size_t size, std::uint32_t* crc) {
        if (!ok_ || out_->size() - kFrameHeaderSize + size > kMaxPayloadSize) return false;
        PutLe(static_cast<std::uint32_t>(out_->size() - kFrameHeaderSize + size), 8, 4);
        *crc = Crc32(data, size, Crc32(out_->data(), out_->size()));
        return true;
    }

  private:
    void Sized16(const void* data, std::size_t size) {
        if (size > 0xFFFF) {
            ok_ = false;
            return;
        }
        U16(static_cast<std::uint16_t>(size));
        Append(data, size);
    }
    void AppendLe(std::uint32_t v, std::size_t width) {
        std::uint8_t bytes[4];
        for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
        Append(bytes, width);
    }
    void Append(const void* data, std::size_t size) {
        if (!ok_) return;
        if (out_->size() - kFrameHeaderSize + size > kMaxPayloadSize) {
            ok_ = false;
            return;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out_->insert(out_->end(), bytes, bytes + size);
    }
    void PutLe(std::uint32_t v, std::size_t at, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i)
            (*out_)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::vector<std::uint8_t>* out_;
    bool ok_ = true;
};

// Reads fields off a payload; every read checks the bytes that remain first,
// so no length taken from the payload can run a copy past its end.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ == size_; }

    bool U8(std::uint8_t* v) {
        if (remaining() < 1) return false;
        *v = data_[pos_++];
        return true;
    }
    bool U16(std::uint16_t* v) {
        std::uint32_t wide = 0;
        if (!Le(&wide, 2)) return false;
        *v = static_cast<std::uint16_t>(wide);
        return true;
    }
    bool U32(std::uint32_t* v) { return Le(v, 4); }
    bool I32(std::int32_t* v) {
        std::uint32_t raw = 0;
        if (!Le(&raw, 4)) return false;
        *v = static_cast<std::int32_t>(raw);
        return true;
    }
    bool String(std::string* s) {
        std::uint16_t size = 0;
        if (!U16(&size) || remaining() < size) return false;
        s->assign(reinterpret_cast<const char*>(data_ + pos_), size);
        pos_ += size;
        return true;
    }
    bool StringView(std::string_view* s) {
        std::uint16_t size = 0;
        if (!U16(&size) || remaining() < size) return false;
        *s = std::string_view(reinterpret_cast<const char*>(data_ + pos_), size);
        pos_ += size;
        return true;
    }
    bool Data16View(const std::uint8_t** data, std::size_t* size) {
        std::uint16_t count = 0;
        if (!U16(&count) || remaining() < count) return false;
        *data = data_ + pos_;
        *size = count;
        pos_ += count;
        return true;
    }

  private:
    bool Le(std::uint32_t* v, std::size_t width) {
        if (remaining() < width) return false;
        std::uint32_t result = 0;
        for (std::size_t i = 0; i < width; ++i)
            result |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
        pos_ += width;
        *v = result;
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace quorvex::link
