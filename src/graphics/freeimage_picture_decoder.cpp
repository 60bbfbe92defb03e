// The formats without a decoder of our own go to FreeImage, but only after
// their size is known: FreeImage reads the header alone first (for the
// formats whose reader can), GIF's header is read here, and every other
// format is refused, as a reader that cannot say its size before allocating
// it cannot be kept within the limits.
//
// Only the formats whose FreeImage readers stand up to damaged files (by
// fuzzing) are taken: the others, the icon reader first, write beyond their
// own buffers on a lying header, and no check of ours can vouch for them.
// FreeImage reads through our own bounded reader of the bytes, not through
// its memory streams: those trust a seek beyond the end and then copy a
// negative length on the next read.
#include <FreeImage.h>

#include <algorithm>
#include <cstring>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using BitmapPointer = std::unique_ptr<FIBITMAP, BitmapUnloader>;

// The bytes as FreeImage's readers see a file: a seek may pass the end (a
// read there delivers nothing), never the start; nothing can be written.
class BytesHandle {
public:
    explicit BytesHandle(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    static FreeImageIO& io() {
        static FreeImageIO io{&read, &write, &seek, &tell};
        return io;
    }
    fi_handle handle() { return this; }
    void rewind() { at_ = 0; }

private:
    static BytesHandle& of(fi_handle handle) { return *static_cast<BytesHandle*>(handle); }

    // As fread: whole items, but the bytes of a last partial one copied too.
    static unsigned DLL_CALLCONV read(void* buffer, unsigned size, unsigned count, fi_handle handle) {
        BytesHandle& in = of(handle);
        if (size == 0 || in.at_ >= in.bytes_.size()) return 0;
        const uint64_t wanted = uint64_t{size} * count;
        const size_t delivered = static_cast<size_t>(std::min<uint64_t>(wanted, in.bytes_.size() - in.at_));
        std::memcpy(buffer, in.bytes_.data() + in.at_, delivered);
        in.at_ += delivered;
        return static_cast<unsigned>(delivered / size);
    }
    static unsigned DLL_CALLCONV write(void*, unsigned, unsigned, fi_handle) { return 0; }
    static int DLL_CALLCONV seek(fi_handle handle, long offset, int origin) {
        BytesHandle& in = of(handle);
        const int64_t from = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<int64_t>(in.at_)
                                                                         : static_cast<int64_t>(in.bytes_.size());
        const int64_t to = from + offset;
        if (to < 0 || to > INT32_MAX) return -1;
        in.at_ = static_cast<size_t>(to);
        return 0;
    }
    static long DLL_CALLCONV tell(fi_handle handle) { return static_cast<long>(of(handle).at_); }

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
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

bool safeToRead(FREE_IMAGE_FORMAT format) {
    switch (format) {
        case FIF_GIF: case FIF_TIFF: case FIF_PBM: case FIF_PBMRAW: case FIF_PGM: case FIF_PGMRAW: case FIF_PPM:
        case FIF_PPMRAW: case FIF_WEBP:
            return true;
        default:
            return false;
    }
}

bool fitsLimits(FREE_IMAGE_FORMAT format, BytesHandle& file, std::span<const uint8_t> bytes) {
    if (format == FIF_GIF) return gifFitsLimits(bytes);
    if (!FreeImage_FIFSupportsNoPixels(format)) return false;
    BitmapPointer header(FreeImage_LoadFromHandle(format, &BytesHandle::io(), file.handle(), FIF_LOAD_NOPIXELS));
    file.rewind();
    return header && PictureLimits::allow(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get()));
}

}  // namespace

int freeImageSignatureFormat(std::span<const uint8_t> bytes) {
    BytesHandle file(bytes);
    return FreeImage_GetFileTypeFromHandle(&BytesHandle::io(), file.handle(), static_cast<int>(bytes.size()));
}

std::unique_ptr<DecodedPicture> decodeWithFreeImage(std::span<const uint8_t> bytes, int format) {
    const auto type = static_cast<FREE_IMAGE_FORMAT>(format);
    if (!safeToRead(type) || !FreeImage_FIFSupportsReading(type)) return nullptr;
    BytesHandle file(bytes);
    if (!fitsLimits(type, file, bytes)) return nullptr;
    BitmapPointer decoded(FreeImage_LoadFromHandle(type, &BytesHandle::io(), file.handle(), 0));
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
