#include "graphics/bitmap_file.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "graphics/canvas.h"

namespace korva {
namespace {

void putU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

// File header (14 bytes) and information header (40 bytes); rows run
// bottom-up, each padded to a multiple of four bytes.
std::vector<uint8_t> bitmapHeaders(int32_t width, int32_t height, uint32_t stride) {
    std::vector<uint8_t> header = {'B', 'M'};
    putU32(header, static_cast<uint32_t>(height) * stride + 54);
    putU32(header, 0);
    putU32(header, 54);
    putU32(header, 40);
    putU32(header, static_cast<uint32_t>(width));
    putU32(header, static_cast<uint32_t>(height));
    putU16(header, 1);
    putU16(header, 24);
    for (int i = 0; i < 6; ++i) putU32(header, 0);
    return header;
}

}  // namespace

bool saveBitmapFile(Canvas& canvas, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const int32_t width = canvas.width(), height = canvas.height();
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const std::vector<uint8_t> header = bitmapHeaders(width, height, stride);
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    std::vector<uint8_t> row(stride, 0);
    canvas.lock();
    for (int32_t y = height - 1; y >= 0 && written; --y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t argb = canvas.readPixelFast(x, y);
            row[x * 3] = static_cast<uint8_t>(argb);
            row[x * 3 + 1] = static_cast<uint8_t>(argb >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(argb >> 16);
        }
        written = std::fwrite(row.data(), 1, stride, file) == stride;
    }
    canvas.unlock();
    return (std::fclose(file) == 0) && written;
}

}  // namespace korva
