// libFuzzer harness for movie files (scripts/fuzz movie builds and runs it):
// the input's first byte picks the reader, the rest is the file. Even: the
// movie decoder, every picture decoded into rows of the size it announces,
// some passed over as late, in the display layout the byte picks; odd: the
// sound engine's reader of a movie's sound track. Anything may be refused;
// nothing may fault, read or write outside its memory, or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "audio/pcm_producers.h"
#include "graphics/movie_decoder.h"
#include "input_file.h"

namespace {

korva::PixelFormat layoutOf(uint8_t choice) {
    switch (choice / 2 % 3) {
        case 0: return korva::PixelFormat::xrgb8888();
        case 1: return korva::PixelFormat::rgb888();
        default: return korva::PixelFormat::rgb565();
    }
}

// At most 300 pictures, every third one late; the rows exactly as large as
// the decoder may assume, so that AddressSanitizer sees any write beyond.
void decodePictures(korva::MovieDecoder& decoder, const korva::PixelFormat& layout) {
    const int32_t pitch = korva::pictureRowPixels(decoder.width()) * layout.bytesPerPixel;
    const size_t bytes = static_cast<size_t>(pitch) * static_cast<size_t>(decoder.height());
    auto* rows = static_cast<uint8_t*>(std::aligned_alloc(16, (bytes + 15) / 16 * 16));
    int64_t lateBy = std::numeric_limits<int64_t>::min();
    for (int n = 0; n < 300; ++n) {
        const std::optional<korva::PictureTime> time = decoder.decodeNext(rows, pitch, lateBy);
        if (!time) break;
        if (time->duration < 1) std::abort();
        lateBy = n % 3 == 0 ? time->start + 2 * time->duration : std::numeric_limits<int64_t>::min();
    }
    std::free(rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string path = inputFile(data + 1, size - 1, "movie");
    if (data[0] % 2 == 0) {
        const korva::PixelFormat layout = layoutOf(data[0]);
        if (auto decoder = korva::openMovieDecoder(path, layout)) decodePictures(*decoder, layout);
    } else if (auto sound = korva::openStreamDecoder(path, 0, korva::kMovieContainers)) {
        std::vector<korva::StereoFrame> block(4096);
        for (int i = 0; i < 22 && sound->render(block.data(), 4096) > 0; ++i) {
        }
    }
    unlink(path.c_str());
    return 0;
}
