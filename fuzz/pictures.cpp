// libFuzzer harness for picture files (scripts/fuzz pictures builds and runs
// it): the input's first byte picks the name the decoder is given (its type
// counts only when the contents do not tell), the rest is the file, decoded
// from memory. A picture comes back within the limits with every pixel
// readable, or none; nothing may fault, read outside or hang.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "graphics/picture_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kNames[] = {"picture.bmp", "picture.tga", "picture.pcx", "picture.png",
                                         "picture.jpg", "picture.gif", "picture.tif", "picture"};
    const char* name = kNames[data[0] % 8];
    const auto picture = korva::decodePicture(std::span<const uint8_t>(data + 1, size - 1), name);
    if (!picture) return 0;
    if (!korva::PictureLimits::allow(picture->width(), picture->height())) std::abort();
    // Every pixel is read, so that AddressSanitizer sees a picture smaller
    // than it says and MemorySanitizer-like uses of unset pixels show up as
    // differences between runs.
    uint32_t mixed = 0;
    for (int32_t y = 0; y < picture->height(); ++y)
        for (int32_t x = 0; x < picture->width(); ++x) mixed ^= picture->row(y)[x];
    volatile uint32_t sink = mixed;
    (void)sink;
    return 0;
}
