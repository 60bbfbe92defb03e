// JPEG through libjpeg: grey, YCbCr and RGB pictures straight into BGRA,
// CMYK (as Adobe writes it, inverted) converted here. The size is checked
// from the header before decoding starts, the decoder's memory is bounded
// and a progressive file may not have more scans than any encoder writes.
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include <csetjmp>

#include "graphics/picture_formats.h"

namespace korva {
namespace {

constexpr long kDecoderMemory = 256L << 20;
constexpr int kMostScans = 1000;

struct ErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf landing;
};

[[noreturn]] void leave(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->landing, 1); }
void stayQuiet(j_common_ptr, int) {}

// A progressive file of thousands of tiny scans costs minutes to decode.
void limitScans(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMostScans) leave(info);
}

uint32_t fromCmyk(const uint8_t* p) {
    const uint32_t black = p[3];
    return opaque(p[0] * black / 255, p[1] * black / 255, p[2] * black / 255);
}

// Everything that can end in the error landing lives here, with no object
// that needs destroying: the picture is owned by the caller's frame.
void readPicture(jpeg_decompress_struct& info, std::unique_ptr<DecodedPicture>& picture) {
    jpeg_read_header(&info, TRUE);
    if (!PictureLimits::allow(info.image_width, info.image_height)) leave(reinterpret_cast<j_common_ptr>(&info));
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    picture = DecodedPicture::create(info.output_width, info.output_height);
    if (!picture || info.output_components != 4) leave(reinterpret_cast<j_common_ptr>(&info));
    while (info.output_scanline < info.output_height) {
        auto* row = reinterpret_cast<JSAMPROW>(picture->row(static_cast<int32_t>(info.output_scanline)));
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (cmyk)
        for (int32_t y = 0; y < picture->height(); ++y) {
            uint32_t* row = picture->row(y);
            for (int32_t x = 0; x < picture->width(); ++x) row[x] = fromCmyk(reinterpret_cast<uint8_t*>(row + x));
        }
}

}  // namespace

std::unique_ptr<DecodedPicture> decodeJpeg(std::span<const uint8_t> bytes) {
    jpeg_decompress_struct info{};
    ErrorExit error{};
    jpeg_progress_mgr progress{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.emit_message = stayQuiet;
    progress.progress_monitor = limitScans;
    std::unique_ptr<DecodedPicture> picture;
    if (setjmp(error.landing) == 0) {
        jpeg_create_decompress(&info);
        info.mem->max_memory_to_use = kDecoderMemory;
        info.progress = &progress;
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        readPicture(info, picture);
    } else {
        picture.reset();
    }
    jpeg_destroy_decompress(&info);
    return picture;
}

}  // namespace korva
