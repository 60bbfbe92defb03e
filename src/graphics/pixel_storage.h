// How a native pixel of each storage width sits in memory: little-endian, at
// any byte address (rows of client memory need not be aligned). The pixel
// routines and the blitters are templates over these traits, so each width
// gets its own loop without a width test inside it.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

namespace korva {

template <int kWidth>
struct PixelStorage;

template <>
struct PixelStorage<1> {
    static constexpr int kBytes = 1;
    static constexpr uint32_t kValueMask = 0xFF;
    static uint32_t load(const uint8_t* address) { return *address; }
    static void store(uint8_t* address, uint32_t value) { *address = static_cast<uint8_t>(value); }
};

template <>
struct PixelStorage<2> {
    static constexpr int kBytes = 2;
    static constexpr uint32_t kValueMask = 0xFFFF;
    static uint32_t load(const uint8_t* address) {
        uint16_t value;
        std::memcpy(&value, address, sizeof value);
        return value;
    }
    static void store(uint8_t* address, uint32_t value) {
        uint16_t narrowed = static_cast<uint16_t>(value);
        std::memcpy(address, &narrowed, sizeof narrowed);
    }
};

// A packed 24-bit pixel is its low byte followed by one 16-bit word, so that
// it is touched with two accesses and never beyond its third byte.
template <>
struct PixelStorage<3> {
    static constexpr int kBytes = 3;
    static constexpr uint32_t kValueMask = 0xFFFFFF;
    static uint32_t load(const uint8_t* address) {
        return (PixelStorage<2>::load(address + 1) << 8) | address[0];
    }
    static void store(uint8_t* address, uint32_t value) {
        address[0] = static_cast<uint8_t>(value);
        PixelStorage<2>::store(address + 1, value >> 8);
    }
};

template <>
struct PixelStorage<4> {
    static constexpr int kBytes = 4;
    static constexpr uint32_t kValueMask = 0xFFFFFFFF;
    static uint32_t load(const uint8_t* address) {
        uint32_t value;
        std::memcpy(&value, address, sizeof value);
        return value;
    }
    static void store(uint8_t* address, uint32_t value) { std::memcpy(address, &value, sizeof value); }
};

// 16, 24 and 32 bits per pixel are stored in 2, 3 and 4 bytes; every other
// depth is one byte per pixel, without a palette.
constexpr int storageBytesForDepth(int32_t depth) {
    switch (depth) {
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 1;
    }
}

// Calls choose(PixelStorage<N>{}) for the storage width N, so that a routine
// is picked per width once, at set-up, in one place.
template <class Choose>
decltype(auto) withPixelStorage(int bytes, Choose&& choose) {
    switch (bytes) {
    case 2: return std::forward<Choose>(choose)(PixelStorage<2>{});
    case 3: return std::forward<Choose>(choose)(PixelStorage<3>{});
    case 4: return std::forward<Choose>(choose)(PixelStorage<4>{});
    default: return std::forward<Choose>(choose)(PixelStorage<1>{});
    }
}

}  // namespace korva
