// Bounded little-endian field access for command parameter blocks and report
// payloads. Every read says whether the field lies inside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::sim {

class ParamReader {
  public:
    // The reader looks at the bytes where they lie; they must outlive it.
    ParamReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }

    bool U16At(std::size_t offset, std::uint16_t* out) const {
        if (offset > size_ || size_ - offset < 2) return false;
        *out = static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
        return true;
    }
    bool I16At(std::size_t offset, std::int16_t* out) const {
        std::uint16_t u = 0;
        if (!U16At(offset, &u)) return false;
        *out = static_cast<std::int16_t>(u);
        return true;
    }
    bool U32At(std::size_t offset, std::uint32_t* out) const {
        if (offset > size_ || size_ - offset < 4) return false;
        *out = static_cast<std::uint32_t>(data_[offset]) |
               (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
        return true;
    }
    bool I32At(std::size_t offset, std::int32_t* out) const {
        std::uint32_t u = 0;
        if (!U32At(offset, &u)) return false;
        *out = static_cast<std::int32_t>(u);
        return true;
    }
    // A zero-terminated text that starts at `offset` and must end within
    // `field_size` bytes and within the data. False without a terminator.
    bool TextAt(std::size_t offset, std::size_t field_size, std::string* out) const {
        if (offset >= size_) return false;
        const std::size_t end = size_ - offset < field_size ? size_ : offset + field_size;
        for (std::size_t i = offset; i < end; ++i) {
            if (data_[i] == 0) {
                out->assign(reinterpret_cast<const char*>(data_) + offset, i - offset);
                return true;
            }
        }
        return false;
    }
    const std::uint8_t* BytesAt(std::size_t offset, std::size_t count) const {
        if (offset > size_ || size_ - offset < count) return nullptr;
        return data_ + offset;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// A text in a fixed field of `field_size` bytes, NUL-padded; cut to leave room
// for the terminator.
inline void PutTextField(std::vector<std::uint8_t>& out, const std::string& text,
                         std::size_t field_size) {
    const std::size_t n = text.size() < field_size ? text.size() : field_size - 1;
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), field_size - n, 0);
}

}  // namespace quorvex::sim
