// Windows and OS/2 bitmaps: 1, 4 and 8 bits through a palette (8 and 4 also
// run-length coded), 16 and 32 bits with the default or given channel masks,
// 24 bits; rows from the bottom or, with a negative height, from the top.
#include <algorithm>
#include <bit>
#include <vector>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

constexpr uint32_t kPlain = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;
constexpr size_t kFileHeaderBytes = 14, kCoreHeaderBytes = 12, kInfoHeaderBytes = 40;

struct Channel {
    uint32_t mask;
    int shift, bits;

    explicit Channel(uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::popcount(m)) {}
    uint32_t of(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t value = (pixel & mask) >> shift;
        return bits >= 8 ? value >> (bits - 8) : widenChannel(value, bits);
    }
};

struct BmpLayout {
    int64_t width = 0, height = 0;  // height > 0
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kPlain;
    uint32_t masks[3] = {};
    std::vector<uint32_t> palette;
    size_t pixelsAt = 0;
};

bool validMasks(const uint32_t (&masks)[3]) {
    for (uint32_t mask : masks)
        if (mask != 0 && std::popcount(mask) != 32 - std::countl_zero(mask) - std::countr_zero(mask)) return false;
    return true;
}

bool readLayout(ByteReader& in, BmpLayout& bmp) {
    if (in.u8() != 'B' || in.u8() != 'M') return false;
    in.skip(8);
    bmp.pixelsAt = in.u32();
    const uint32_t headerBytes = in.u32();
    uint32_t colorsUsed = 0;
    if (headerBytes == kCoreHeaderBytes) {
        bmp.width = in.u16();
        bmp.height = in.u16();
        in.skip(2);
        bmp.bitCount = in.u16();
    } else if (headerBytes >= kInfoHeaderBytes && headerBytes <= 1024) {
        bmp.width = static_cast<int32_t>(in.u32());
        bmp.height = static_cast<int32_t>(in.u32());
        in.skip(2);
        bmp.bitCount = in.u16();
        bmp.compression = in.u32();
        in.skip(12);
        colorsUsed = in.u32();
        in.skip(4);
        // OS/2 headers of 64 bytes number other codings 3 and 4.
        if (headerBytes == 64 && bmp.compression >= kBitfields) return false;
    } else {
        return false;
    }
    bmp.topDown = bmp.height < 0;
    if (bmp.topDown) bmp.height = -bmp.height;
    if (in.failed() || !PictureLimits::allow(bmp.width, bmp.height)) return false;

    const bool bitfields = bmp.compression == kBitfields || bmp.compression == kAlphaBitfields;
    const int depth = bmp.bitCount;
    const bool fits = (bmp.compression == kPlain && (depth == 1 || depth == 4 || depth == 8 || depth == 16 ||
                                                      depth == 24 || depth == 32)) ||
                      (bmp.compression == kRle8 && depth == 8 && !bmp.topDown) ||
                      (bmp.compression == kRle4 && depth == 4 && !bmp.topDown) ||
                      (bitfields && (depth == 16 || depth == 32));
    if (!fits) return false;

    size_t paletteAt = kFileHeaderBytes + headerBytes;
    if (bitfields) {
        in.seek(kFileHeaderBytes + kInfoHeaderBytes);  // in the header from version 2 on, else right after it
        for (uint32_t& mask : bmp.masks) mask = in.u32();
        if (headerBytes == kInfoHeaderBytes) paletteAt += bmp.compression == kAlphaBitfields ? 16 : 12;
        if (!validMasks(bmp.masks)) return false;
    } else if (depth == 16) {
        bmp.masks[0] = 0x7C00, bmp.masks[1] = 0x03E0, bmp.masks[2] = 0x001F;
    } else if (depth == 32) {
        bmp.masks[0] = 0xFF0000, bmp.masks[1] = 0xFF00, bmp.masks[2] = 0xFF;
    }
    if (depth <= 8) {
        // Writers that leave the count out (OS/2 files always do) may still
        // store fewer entries: the palette ends where the pixels start.
        const size_t entryBytes = headerBytes == kCoreHeaderBytes ? 3 : 4;
        uint32_t entries = colorsUsed == 0 || colorsUsed > (1u << depth) ? 1u << depth : colorsUsed;
        if (bmp.pixelsAt > paletteAt) entries = std::min<uint32_t>(entries, (bmp.pixelsAt - paletteAt) / entryBytes);
        in.seek(paletteAt);
        for (uint32_t n = 0; n < entries; ++n) {
            const uint32_t blue = in.u8(), green = in.u8(), red = in.u8();
            in.skip(entryBytes - 3);
            bmp.palette.push_back(opaque(red, green, blue));
        }
    }
    return !in.failed();
}

class BmpPixels {
public:
    BmpPixels(const BmpLayout& bmp, DecodedPicture& picture) : bmp_(bmp), picture_(picture) {}

    // Row y of the file, counted in file order.
    uint32_t* fileRow(int64_t y) {
        return picture_.row(static_cast<int32_t>(bmp_.topDown ? y : bmp_.height - 1 - y));
    }
    uint32_t indexed(uint32_t index) const {
        return index < bmp_.palette.size() ? bmp_.palette[index] : 0xFF000000u;
    }

    bool plain(std::span<const uint8_t> bytes) {
        const int64_t stride = (bmp_.width * bmp_.bitCount + 31) / 32 * 4;
        if (bmp_.pixelsAt > bytes.size() || static_cast<int64_t>(bytes.size() - bmp_.pixelsAt) < stride * bmp_.height)
            return false;
        const Channel red(bmp_.masks[0]), green(bmp_.masks[1]), blue(bmp_.masks[2]);
        for (int64_t y = 0; y < bmp_.height; ++y) {
            const uint8_t* from = bytes.data() + bmp_.pixelsAt + y * stride;
            uint32_t* to = fileRow(y);
            for (int64_t x = 0; x < bmp_.width; ++x) {
                switch (bmp_.bitCount) {
                    case 1: to[x] = indexed(from[x / 8] >> (7 - x % 8) & 1); break;
                    case 4: to[x] = indexed(from[x / 2] >> (x % 2 ? 0 : 4) & 0xF); break;
                    case 8: to[x] = indexed(from[x]); break;
                    case 24: to[x] = opaque(from[3 * x + 2], from[3 * x + 1], from[3 * x]); break;
                    default: {
                        const uint8_t* p = from + x * (bmp_.bitCount / 8);
                        const uint32_t value = bmp_.bitCount == 16
                                                   ? uint32_t{p[0]} | uint32_t{p[1]} << 8
                                                   : uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                                         uint32_t{p[3]} << 24;
                        to[x] = opaque(red.of(value), green.of(value), blue.of(value));
                    }
                }
            }
        }
        return true;
    }

    // Run-length coding: (count, value) runs, and escapes for end of line,
    // end of picture, a move, and a literal run padded to 16 bits. Pixels no
    // run reaches stay black; a stream that stops early leaves the rest so.
    void runLength(ByteReader in) {
        const bool nibbles = bmp_.compression == kRle4;
        int64_t x = 0, y = 0;
        while (y < bmp_.height && in.remaining() >= 2) {
            const uint32_t count = in.u8(), value = in.u8();
            if (count > 0) {
                for (uint32_t n = 0; n < count && x + n < bmp_.width; ++n)
                    put(x + n, y, nibbles ? (n % 2 ? value & 0xF : value >> 4) : value);
                x += count;
            } else if (value == 0) {
                x = 0, ++y;
            } else if (value == 1) {
                return;
            } else if (value == 2) {
                x += in.u8();
                y += in.u8();
            } else {
                uint32_t byte = 0;
                for (uint32_t n = 0; n < value; ++n, ++x) {
                    if (!nibbles || n % 2 == 0) byte = in.u8();
                    put(x, y, nibbles ? (n % 2 ? byte & 0xF : byte >> 4) : byte);
                }
                const uint32_t literalBytes = nibbles ? (value + 1) / 2 : value;
                if (literalBytes % 2) in.skip(1);
            }
        }
    }

private:
    void put(int64_t x, int64_t y, uint32_t index) {
        if (x < bmp_.width && y < bmp_.height) fileRow(y)[x] = indexed(index);
    }

    const BmpLayout& bmp_;
    DecodedPicture& picture_;
};

}  // namespace

std::unique_ptr<DecodedPicture> decodeBmp(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    BmpLayout bmp;
    if (!readLayout(in, bmp) || bmp.pixelsAt >= bytes.size()) return nullptr;
    std::unique_ptr<DecodedPicture> picture = DecodedPicture::create(bmp.width, bmp.height);
    if (!picture) return nullptr;
    BmpPixels pixels(bmp, *picture);
    if (bmp.compression == kRle8 || bmp.compression == kRle4)
        pixels.runLength(ByteReader(bytes, bmp.pixelsAt));
    else if (!pixels.plain(bytes))
        return nullptr;
    return picture;
}

}  // namespace korva
