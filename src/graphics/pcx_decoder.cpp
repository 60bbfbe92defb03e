// ZSoft PCX: 1-bit black and white, 16 colours in four 1-bit planes or in
// 2- and 4-bit pixels (the header's palette), 256 colours (the palette at
// the end of the file) and 24-bit colour in three 8-bit planes, run-length
// coded or plain.
#include <array>
#include <vector>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

constexpr size_t kHeaderBytes = 128, kHeaderPaletteAt = 16;
constexpr size_t kEndPaletteBytes = 769;  // a 0x0C marker and 256 RGB entries
constexpr uint8_t kEndPaletteMarker = 0x0C;
constexpr uint32_t kRunMarks = 0xC0;
// Two bytes of run-length coding yield at most 63 bytes.
constexpr int64_t kMostBytesPerCodedByte = 32;

struct PcxLayout {
    int64_t width = 0, height = 0;
    int bitsPerPixel = 0, planes = 0;
    int64_t bytesPerLine = 0;
    bool runLength = false;
    std::vector<uint32_t> palette;
};

std::vector<uint32_t> paletteAt(std::span<const uint8_t> bytes, size_t at, size_t entries) {
    std::vector<uint32_t> palette;
    for (size_t n = 0; n < entries; ++n)
        palette.push_back(opaque(bytes[at + 3 * n], bytes[at + 3 * n + 1], bytes[at + 3 * n + 2]));
    return palette;
}

bool readLayout(std::span<const uint8_t> bytes, PcxLayout& pcx, size_t& dataEnd) {
    ByteReader in(bytes, 2);
    pcx.runLength = in.u8() == 1;
    pcx.bitsPerPixel = in.u8();
    const int64_t xmin = in.u16(), ymin = in.u16(), xmax = in.u16(), ymax = in.u16();
    in.seek(65);
    pcx.planes = in.u8();
    pcx.bytesPerLine = in.u16();
    pcx.width = xmax - xmin + 1;
    pcx.height = ymax - ymin + 1;
    const int bits = pcx.bitsPerPixel, planes = pcx.planes;
    const bool fits = (bits == 1 && (planes == 1 || planes == 4)) || ((bits == 2 || bits == 4) && planes == 1) ||
                      (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
    if (in.failed() || !fits || !PictureLimits::allow(pcx.width, pcx.height) ||
        pcx.bytesPerLine * 8 < pcx.width * bits)
        return false;
    dataEnd = bytes.size();
    if (bits == 1 && planes == 1) {
        pcx.palette = {0xFF000000u, 0xFFFFFFFFu};
    } else if (bits == 8 && planes == 1) {
        // The 256 colours follow the pixels; without them the pixels are grey levels.
        if (bytes.size() >= kHeaderBytes + kEndPaletteBytes && bytes[bytes.size() - kEndPaletteBytes] == kEndPaletteMarker) {
            dataEnd -= kEndPaletteBytes;
            pcx.palette = paletteAt(bytes, dataEnd + 1, 256);
        } else {
            for (uint32_t level = 0; level < 256; ++level) pcx.palette.push_back(opaque(level, level, level));
        }
    } else if (planes == 1 || bits == 1) {
        pcx.palette = paletteAt(bytes, kHeaderPaletteAt, 16);
    }
    return true;
}

// One scan line after the other; a run may go on into the next line.
class LineReader {
public:
    LineReader(std::span<const uint8_t> data, bool runLength) : data_(data), runLength_(runLength) {}

    bool read(std::vector<uint8_t>& line) {
        for (uint8_t& byte : line) {
            while (pending_ == 0) {  // a run of length 0 yields nothing
                if (at_ >= data_.size()) return false;
                value_ = data_[at_++];
                pending_ = 1;
                if (runLength_ && (value_ & kRunMarks) == kRunMarks) {
                    if (at_ >= data_.size()) return false;
                    pending_ = value_ & ~kRunMarks;
                    value_ = data_[at_++];
                }
            }
            byte = value_;
            --pending_;
        }
        return true;
    }

private:
    std::span<const uint8_t> data_;
    bool runLength_;
    size_t at_ = 0;
    uint32_t pending_ = 0;
    uint8_t value_ = 0;
};

uint32_t pixelOf(const PcxLayout& pcx, const std::vector<uint8_t>& line, int64_t x) {
    const uint8_t* plane = line.data();
    const int64_t stride = pcx.bytesPerLine;
    if (pcx.bitsPerPixel == 8) {
        if (pcx.planes == 1) return pcx.palette[plane[x]];
        return opaque(plane[x], plane[stride + x], plane[2 * stride + x]);
    }
    uint32_t index = 0;
    if (pcx.planes == 4) {
        for (int p = 0; p < 4; ++p) index |= uint32_t{plane[p * stride + x / 8] >> (7 - x % 8) & 1u} << p;
    } else {
        const int64_t bit = x * pcx.bitsPerPixel;
        index = plane[bit / 8] >> (8 - pcx.bitsPerPixel - bit % 8) & ((1u << pcx.bitsPerPixel) - 1);
    }
    return pcx.palette[index];
}

}  // namespace

std::unique_ptr<DecodedPicture> decodePcx(std::span<const uint8_t> bytes) {
    PcxLayout pcx;
    size_t dataEnd = 0;
    if (bytes.size() < kHeaderBytes || bytes[0] != 0x0A || !readLayout(bytes, pcx, dataEnd)) return nullptr;
    const int64_t lineBytes = pcx.bytesPerLine * pcx.planes;
    const auto dataBytes = static_cast<int64_t>(dataEnd - kHeaderBytes);
    if (dataBytes * (pcx.runLength ? kMostBytesPerCodedByte : 1) < lineBytes * pcx.height) return nullptr;
    std::unique_ptr<DecodedPicture> picture = DecodedPicture::create(pcx.width, pcx.height);
    if (!picture) return nullptr;
    LineReader lines(bytes.subspan(kHeaderBytes, dataEnd - kHeaderBytes), pcx.runLength);
    std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
    for (int32_t y = 0; y < picture->height(); ++y) {
        if (!lines.read(line)) return nullptr;
        uint32_t* row = picture->row(y);
        for (int64_t x = 0; x < pcx.width; ++x) row[x] = pixelOf(pcx, line, x);
    }
    return picture;
}

}  // namespace korva
