// Little-endian byte blocks for scripted reports and for checking the
// parameter blocks a target received: packed integers and fixed-size,
// zero-padded text fields, as the target's diagnostic records lay them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::link {

// Appends fields in order. Converts implicitly to the byte vector, so a
// builder expression can be handed straight to a scripted reply.
class PayloadBuilder {
  public:
    PayloadBuilder& U8(std::uint8_t value);
    PayloadBuilder& U16(std::uint16_t value);
    PayloadBuilder& I16(std::int16_t value);
    PayloadBuilder& U32(std::uint32_t value);
    PayloadBuilder& I32(std::int32_t value);
    PayloadBuilder& U64(std::uint64_t value);
    // `text` in a field of exactly `field_size` bytes: cut off when longer,
    // zero-padded when shorter (so a terminating zero needs field_size > length).
    PayloadBuilder& Text(std::string_view text, std::size_t field_size);
    PayloadBuilder& Bytes(const std::vector<std::uint8_t>& bytes);
    PayloadBuilder& Zeros(std::size_t count);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    operator std::vector<std::uint8_t>() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Reads fields in order. Reading past the end yields zeros (or an empty text)
// and sets failed(), so a test can read a whole layout and check once.
class PayloadReader {
  public:
    explicit PayloadReader(const std::vector<std::uint8_t>& bytes)
        : data_(bytes.data()), size_(bytes.size()) {}
    PayloadReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t U8();
    std::uint16_t U16();
    std::int16_t I16();
    std::uint32_t U32();
    std::int32_t I32();
    std::uint64_t U64();
    // A text field of `field_size` bytes, up to its first zero byte.
    std::string Text(std::size_t field_size);
    void Skip(std::size_t count);

    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return size_ - offset_; }
    bool failed() const { return failed_; }

  private:
    // Little-endian value of `width` bytes, or 0 (and failed) when they are not there.
    std::uint64_t Take(std::size_t width);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace quorvex::link
