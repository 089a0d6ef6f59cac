// Little-endian payload building and reading for tests.
#include "cmdlib/Payload.h"

#include <algorithm>

namespace quorvex::link {

namespace {

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

PayloadBuilder& PayloadBuilder::U8(std::uint8_t value) {
    AppendLittleEndian(bytes_, value, 1);
    return *this;
}

PayloadBuilder& PayloadBuilder::U16(std::uint16_t value) {
    AppendLittleEndian(bytes_, value, 2);
    return *this;
}

PayloadBuilder& PayloadBuilder::I16(std::int16_t value) {
    return U16(static_cast<std::uint16_t>(value));
}

PayloadBuilder& PayloadBuilder::U32(std::uint32_t value) {
    AppendLittleEndian(bytes_, value, 4);
    return *this;
}

PayloadBuilder& PayloadBuilder::I32(std::int32_t value) {
    return U32(static_cast<std::uint32_t>(value));
}

PayloadBuilder& PayloadBuilder::U64(std::uint64_t value) {
    AppendLittleEndian(bytes_, value, 8);
    return *this;
}

PayloadBuilder& PayloadBuilder::Text(std::string_view text, std::size_t field_size) {
    const std::size_t kept = std::min(text.size(), field_size);
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + kept);
    bytes_.insert(bytes_.end(), field_size - kept, 0);
    return *this;
}

PayloadBuilder& PayloadBuilder::Bytes(const std::vector<std::uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

PayloadBuilder& PayloadBuilder::Zeros(std::size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
}

std::uint64_t PayloadReader::Take(std::size_t width) {
    if (width > remaining()) {
        failed_ = true;
        offset_ = size_;
        return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint64_t>(data_[offset_ + i]) << (8 * i);
    }
    offset_ += width;
    return value;
}

std::uint8_t PayloadReader::U8() {
    return static_cast<std::uint8_t>(Take(1));
}
std::uint16_t PayloadReader::U16() {
    return static_cast<std::uint16_t>(Take(2));
}
std::int16_t PayloadReader::I16() {
    return static_cast<std::int16_t>(Take(2));
}
std::uint32_t PayloadReader::U32() {
    return static_cast<std::uint32_t>(Take(4));
}
std::int32_t PayloadReader::I32() {
    return static_cast<std::int32_t>(Take(4));
}
std::uint64_t PayloadReader::U64() {
    return Take(8);
}

std::string PayloadReader::Text(std::size_t field_size) {
    if (field_size > remaining()) {
        failed_ = true;
        offset_ = size_;
        return std::string();
    }
    const std::uint8_t* field = data_ + offset_;
    const std::uint8_t* end = std::find(field, field + field_size, 0);
    offset_ += field_size;
    return std::string(field, end);
}

void PayloadReader::Skip(std::size_t count) {
    if (count > remaining()) {
        failed_ = true;
        offset_ = size_;
        return;
    }
    offset_ += count;
}

}  // namespace quorvex::link
