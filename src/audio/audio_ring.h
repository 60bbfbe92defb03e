// A fixed-capacity ring between exactly one producing and one consuming
// thread, without locks: the audio callback reads decoded sound and engine
// commands through it and never waits. Indices count items since the start
// and wrap at 2^32; the capacity is a power of two.
#pragma once

#include <atomic>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>

namespace korva {

template <class Item>
class AudioRing {
public:
    // capacity: a power of two. Allocates; call outside the audio callback.
    explicit AudioRing(uint32_t capacity) : items_(new Item[capacity]()), mask_(capacity - 1) {}

    uint32_t capacity() const { return mask_ + 1; }

    // Producer side.
    uint32_t writable() const { return capacity() - (write_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire)); }
    uint32_t writeIndex() const { return write_.load(std::memory_order_relaxed); }
    // Copies up to count items in; returns how many fitted.
    uint32_t write(const Item* source, uint32_t count) {
        const uint32_t start = write_.load(std::memory_order_relaxed);
        count = std::min(count, writable());
        copyAround(start, count, [&](Item* ring, uint32_t offset, uint32_t n) { std::memcpy(ring, source + offset, n * sizeof(Item)); });
        write_.store(start + count, std::memory_order_release);
        return count;
    }
    bool push(const Item& item) { return write(&item, 1) == 1; }

    // Consumer side.
    uint32_t readable() const { return write_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed); }
    uint32_t readIndex() const { return read_.load(std::memory_order_relaxed); }
    // Copies up to count items out; returns how many there were.
    uint32_t read(Item* target, uint32_t count) {
        const uint32_t start = read_.load(std::memory_order_relaxed);
        count = std::min(count, readable());
        copyAround(start, count, [&](Item* ring, uint32_t offset, uint32_t n) { std::memcpy(target + offset, ring, n * sizeof(Item)); });
        read_.store(start + count, std::memory_order_release);
        return count;
    }
    bool pop(Item& item) { return read(&item, 1) == 1; }
    // Drops everything before index (which the producer has already passed).
    void skipTo(uint32_t index) { read_.store(index, std::memory_order_release); }

private:
    // Calls copy(ring pointer, offset into the caller's items, count) for the
    // one or two contiguous pieces of [start, start + count).
    template <class Copy>
    void copyAround(uint32_t start, uint32_t count, Copy copy) {
        const uint32_t at = start & mask_;
        const uint32_t first = std::min(count, capacity() - at);
        if (first != 0) copy(items_.get() + at, 0, first);
        if (count > first) copy(items_.get(), first, count - first);
    }

    std::unique_ptr<Item[]> items_;
    uint32_t mask_;
    alignas(64) std::atomic<uint32_t> write_{0};
    alignas(64) std::atomic<uint32_t> read_{0};
};

}  // namespace korva
