// Truevision TGA: colour-mapped (types 1 and 9), true-colour (2 and 10) and
// grey (3 and 11) pictures, plain or run-length coded, drawn from either
// corner. The file must hold every pixel it declares: a short one is no
// picture, and that is known before the pixels are allocated.
#include <algorithm>
#include <vector>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

constexpr size_t kHeaderBytes = 18;
constexpr uint32_t kRunBit = 0x80, kMaxPacketPixels = 128;
constexpr uint32_t kRightToLeft = 0x10, kTopDown = 0x20;

enum class Kind { kMapped = 1, kTrueColour = 2, kGrey = 3 };

struct TgaLayout {
    Kind kind = Kind::kTrueColour;
    bool runLength = false;
    int64_t width = 0, height = 0;
    int pixelBytes = 0, pixelBits = 0;
    uint32_t descriptor = 0;
    uint32_t mapFirst = 0;
    std::vector<uint32_t> map;
};

// 15- and 16-bit colours are five bits per channel, red highest.
uint32_t colourOf(const uint8_t* p, int bits) {
    switch (bits) {
        case 15:
        case 16: {
            const uint32_t value = uint32_t{p[0]} | uint32_t{p[1]} << 8;
            return opaque(widenChannel(value >> 10 & 0x1F, 5), widenChannel(value >> 5 & 0x1F, 5),
                          widenChannel(value & 0x1F, 5));
        }
        case 24: return opaque(p[2], p[1], p[0]);
        default: return opaque(p[2], p[1], p[0]) & (0x00FFFFFFu | uint32_t{p[3]} << 24);
    }
}

bool readLayout(ByteReader& in, TgaLayout& tga) {
    const uint32_t idBytes = in.u8(), mapType = in.u8(), type = in.u8();
    tga.mapFirst = in.u16();
    const uint32_t mapLength = in.u16(), mapBits = in.u8();
    in.skip(4);  // the screen position
    tga.width = in.u16();
    tga.height = in.u16();
    tga.pixelBits = in.u8();
    tga.descriptor = in.u8();
    if (in.failed() || (type & 7) < 1 || (type & 7) > 3 || (type & ~8u) > 3 || mapType > 1) return false;
    tga.kind = static_cast<Kind>(type & 7);
    tga.runLength = (type & 8) != 0;
    tga.pixelBytes = (tga.pixelBits + 7) / 8;
    const bool depthFits = tga.kind == Kind::kMapped     ? tga.pixelBits == 8 || tga.pixelBits == 16
                           : tga.kind == Kind::kGrey     ? tga.pixelBits == 8 || tga.pixelBits == 16
                                                         : tga.pixelBits == 15 || tga.pixelBits == 16 ||
                                                               tga.pixelBits == 24 || tga.pixelBits == 32;
    if (!depthFits || !PictureLimits::allow(tga.width, tga.height)) return false;
    in.skip(idBytes);
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return false;
        const size_t entryBytes = (mapBits + 7) / 8;
        uint8_t entry[4] = {};
        for (uint32_t n = 0; n < mapLength && !in.failed(); ++n) {
            for (size_t b = 0; b < entryBytes; ++b) entry[b] = in.u8();
            tga.map.push_back(colourOf(entry, static_cast<int>(mapBits)));
        }
    }
    return !in.failed() && (tga.kind != Kind::kMapped || !tga.map.empty());
}

class TgaPixels {
public:
    TgaPixels(const TgaLayout& tga, DecodedPicture& picture) : tga_(tga), picture_(picture) {}

    // The n-th pixel of the file, placed by the descriptor's corner bits.
    void put(int64_t n, const uint8_t* p) {
        int64_t x = n % tga_.width, y = n / tga_.width;
        if (tga_.descriptor & kRightToLeft) x = tga_.width - 1 - x;
        if (!(tga_.descriptor & kTopDown)) y = tga_.height - 1 - y;
        picture_.row(static_cast<int32_t>(y))[x] = colourOf(p);
    }

private:
    uint32_t colourOf(const uint8_t* p) const {
        switch (tga_.kind) {
            case Kind::kMapped: {
                const uint32_t index = tga_.pixelBits == 8 ? p[0] : uint32_t{p[0]} | uint32_t{p[1]} << 8;
                const uint32_t entry = index - tga_.mapFirst;
                return index >= tga_.mapFirst && entry < tga_.map.size() ? tga_.map[entry] : 0xFF000000u;
            }
            case Kind::kGrey: return opaque(p[0], p[0], p[0]);
            default: return korva::colourOf(p, tga_.pixelBits);
        }
    }

    const TgaLayout& tga_;
    DecodedPicture& picture_;
};

// Fewest bytes that can hold the declared pixels.
int64_t leastDataBytes(const TgaLayout& tga) {
    const int64_t pixels = tga.width * tga.height;
    if (!tga.runLength) return pixels * tga.pixelBytes;
    return (pixels + kMaxPacketPixels - 1) / kMaxPacketPixels * (1 + tga.pixelBytes);
}

bool readRuns(ByteReader& in, const TgaLayout& tga, TgaPixels& pixels) {
    const int64_t total = tga.width * tga.height;
    uint8_t value[4] = {};
    for (int64_t n = 0; n < total;) {
        const uint32_t packet = in.u8();
        const int64_t count = std::min<int64_t>((packet & 0x7F) + 1, total - n);
        const bool run = (packet & kRunBit) != 0;
        for (int64_t i = 0; i < count; ++i, ++n) {
            if (i == 0 || !run)
                for (int b = 0; b < tga.pixelBytes; ++b) value[b] = in.u8();
            if (in.failed()) return false;
            pixels.put(n, value);
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<DecodedPicture> decodeTga(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes) return nullptr;
    ByteReader in(bytes);
    TgaLayout tga;
    if (!readLayout(in, tga) || static_cast<int64_t>(in.remaining()) < leastDataBytes(tga)) return nullptr;
    std::unique_ptr<DecodedPicture> picture = DecodedPicture::create(tga.width, tga.height);
    if (!picture) return nullptr;
    TgaPixels pixels(tga, *picture);
    if (tga.runLength) return readRuns(in, tga, pixels) ? std::move(picture) : nullptr;
    const uint8_t* data = bytes.data() + in.position();
    for (int64_t n = 0; n < tga.width * tga.height; ++n) pixels.put(n, data + n * tga.pixelBytes);
    return picture;
}

}  // namespace korva
