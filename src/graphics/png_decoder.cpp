// PNG through libpng: every colour type and depth, interlaced or not,
// expanded to 8-bit BGRA. The size is checked from the header before the
// pixels are allocated; a damaged file is no picture.
#include <png.h>

#include <algorithm>
#include <csetjmp>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

struct MemoryInput {
    std::span<const uint8_t> bytes;
    size_t at = 0;
};

void readFromMemory(png_structp png, png_bytep into, size_t count) {
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (count > input->bytes.size() - input->at) png_error(png, "truncated");
    std::copy_n(input->bytes.data() + input->at, count, into);
    input->at += count;
}

[[noreturn]] void leave(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// Everything that can end in libpng's longjmp lives here, with no object
// that needs destroying: the picture is owned by the caller's frame.
void readPicture(png_structp png, png_infop info, std::unique_ptr<DecodedPicture>& picture) {
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (!PictureLimits::allow(width, height)) png_error(png, "too large");
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4) png_error(png, "unexpected layout");
    picture = DecodedPicture::create(width, height);
    if (!picture) png_error(png, "out of memory");
    for (int pass = 0; pass < passes; ++pass)
        for (int32_t y = 0; y < picture->height(); ++y)
            png_read_row(png, reinterpret_cast<png_bytep>(picture->row(y)), nullptr);
}

}  // namespace

std::unique_ptr<DecodedPicture> decodePng(std::span<const uint8_t> bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, leave, ignoreWarning);
    if (png == nullptr) return nullptr;
    png_infop info = png_create_info_struct(png);
    MemoryInput input{bytes};
    std::unique_ptr<DecodedPicture> picture;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &input, readFromMemory);
        png_set_user_limits(png, PictureLimits::kMaxSide, PictureLimits::kMaxSide);
        readPicture(png, info, picture);
    } else {
        picture.reset();
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return picture;
}

}  // namespace korva
