// The formats without a decoder of our own go to FreeImage, but only after
// their size is known: FreeImage reads the header alone first (for the
// formats whose reader can), GIF's header is read here, and every other
// format is refused, as a reader that cannot say its size before allocating
// it cannot be kept within the limits.
#include <FreeImage.h>

#include <cstring>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using BitmapPointer = std::unique_ptr<FIBITMAP, BitmapUnloader>;

struct MemoryCloser {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

// GIF: the screen size, then the size of every frame up to the first.
bool gifFitsLimits(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, 6);
    const uint32_t screenWidth = in.u16(), screenHeight = in.u16(), flags = in.u8();
    in.skip(2);
    if (flags & 0x80) in.skip(3u << ((flags & 7) + 1));  // the global colour table
    if (!PictureLimits::allow(screenWidth, screenHeight)) return false;
    while (!in.failed()) {
        const uint32_t block = in.u8();
        if (block == 0x2C) {  // the first image
            in.skip(4);
            const uint32_t width = in.u16(), height = in.u16();
            return !in.failed() && PictureLimits::allow(width, height);
        }
        if (block != 0x21) return false;
        in.skip(1);  // an extension: its label, then sub-blocks up to an empty one
        for (uint32_t length = in.u8(); length != 0 && !in.failed(); length = in.u8()) in.skip(length);
    }
    return false;
}

bool fitsLimits(FREE_IMAGE_FORMAT format, FIMEMORY* memory, std::span<const uint8_t> bytes) {
    if (format == FIF_GIF) return gifFitsLimits(bytes);
    if (!FreeImage_FIFSupportsNoPixels(format)) return false;
    BitmapPointer header(FreeImage_LoadFromMemory(format, memory, FIF_LOAD_NOPIXELS));
    FreeImage_SeekMemory(memory, 0, SEEK_SET);
    return header && PictureLimits::allow(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get()));
}

}  // namespace

std::unique_ptr<DecodedPicture> decodeWithFreeImage(std::span<const uint8_t> bytes, int format) {
    const auto type = static_cast<FREE_IMAGE_FORMAT>(format);
    if (!FreeImage_FIFSupportsReading(type)) return nullptr;
    std::unique_ptr<FIMEMORY, MemoryCloser> memory(
        FreeImage_OpenMemory(const_cast<uint8_t*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    if (!memory || !fitsLimits(type, memory.get(), bytes)) return nullptr;
    BitmapPointer decoded(FreeImage_LoadFromMemory(type, memory.get(), 0));
    if (!decoded) return nullptr;
    BitmapPointer converted(FreeImage_ConvertTo32Bits(decoded.get()));
    if (!converted) return nullptr;
    std::unique_ptr<DecodedPicture> picture =
        DecodedPicture::create(FreeImage_GetWidth(converted.get()), FreeImage_GetHeight(converted.get()));
    if (!picture) return nullptr;
    // FreeImage's rows run from the bottom.
    for (int32_t y = 0; y < picture->height(); ++y)
        std::memcpy(picture->row(y), FreeImage_GetScanLine(converted.get(), picture->height() - 1 - y),
                    static_cast<size_t>(picture->width()) * 4);
    return picture;
}

}  // namespace korva
