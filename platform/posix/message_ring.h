// The posted messages of one queue, oldest first, in storage that is kept
// from message to message: a queue that a transfer posts to once per packet
// allocates only while it grows to its largest backlog.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/messages.h"

namespace quorvex::platform::internal {

class MessageRing {
  public:
    std::size_t size() const { return size_; }
    const MSG& operator[](std::size_t i) const { return At(i); }

    void push_back(const MSG& msg) {
        if (size_ == slots_.size()) Grow();
        At(size_) = msg;
        ++size_;
    }

    // Removes message `i`, keeping the order of the others; the shorter side
    // moves, so taking the oldest costs nothing.
    void erase(std::size_t i) {
        if (i < size_ / 2) {
            for (std::size_t j = i; j > 0; --j) At(j) = At(j - 1);
            head_ = (head_ + 1) & (slots_.size() - 1);
        } else {
            for (std::size_t j = i; j + 1 < size_; ++j) At(j) = At(j + 1);
        }
        --size_;
    }

    void clear() {
        head_ = 0;
        size_ = 0;
    }

  private:
    // The slot count is a power of two, so wrapping is a mask.
    MSG& At(std::size_t i) { return slots_[(head_ + i) & (slots_.size() - 1)]; }
    const MSG& At(std::size_t i) const { return slots_[(head_ + i) & (slots_.size() - 1)]; }

    void Grow() {
        std::vector<MSG> larger(slots_.empty() ? kFirstSlots : 2 * slots_.size());
        for (std::size_t i = 0; i < size_; ++i) larger[i] = At(i);
        slots_.swap(larger);
        head_ = 0;
    }

    static constexpr std::size_t kFirstSlots = 16;
    std::vector<MSG> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

}  // namespace quorvex::platform::internal
