// The picture decoders behind decodePicture, one per format, and the checked
// reading they share. Each takes a whole file's bytes and returns the
// picture or null; none reads outside the bytes or allocates beyond
// PictureLimits.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "graphics/picture_decoder.h"

namespace korva {

std::unique_ptr<DecodedPicture> decodeBmp(std::span<const uint8_t> bytes);
std::unique_ptr<DecodedPicture> decodeTga(std::span<const uint8_t> bytes);
std::unique_ptr<DecodedPicture> decodePcx(std::span<const uint8_t> bytes);
std::unique_ptr<DecodedPicture> decodePng(std::span<const uint8_t> bytes);
std::unique_ptr<DecodedPicture> decodeJpeg(std::span<const uint8_t> bytes);
// The FreeImage format number (FREE_IMAGE_FORMAT) FreeImage finds from the
// contents; FIF_UNKNOWN (-1) when none.
int freeImageSignatureFormat(std::span<const uint8_t> bytes);
// format is a FreeImage format number.
std::unique_ptr<DecodedPicture> decodeWithFreeImage(std::span<const uint8_t> bytes, int format);

// Little-endian reads that never pass the end: a read beyond it yields 0 and
// marks the reader failed, so a decoder checks once after a run of reads.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes, size_t at = 0) : bytes_(bytes), at_(at) {}

    size_t position() const { return at_; }
    size_t remaining() const { return at_ < bytes_.size() ? bytes_.size() - at_ : 0; }
    bool failed() const { return failed_; }

    void seek(size_t at) { at_ = at; }
    void skip(size_t count) { at_ = count <= remaining() ? at_ + count : (failed_ = true, bytes_.size()); }
    uint8_t u8() {
        if (remaining() < 1) return failed_ = true, 0;
        return bytes_[at_++];
    }
    uint16_t u16() {
        const uint32_t low = u8();
        return static_cast<uint16_t>(low | uint32_t{u8()} << 8);
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | uint32_t{u16()} << 16;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_;
    bool failed_ = false;
};

constexpr uint32_t opaque(uint32_t red, uint32_t green, uint32_t blue) {
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

// A channel of `bits` bits (1 to 8) widened to 8: 0 stays 0, all ones
// becomes 255, values between are scaled and rounded.
constexpr uint32_t widenChannel(uint32_t value, int bits) {
    const uint32_t top = (1u << bits) - 1;
    return (value * 255 + top / 2) / top;
}

}  // namespace korva
