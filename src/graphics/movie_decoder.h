// Decoding of movie files: whatever FFmpeg's demuxers and decoders read
// (MPEG-1/2, MPEG-4, H.264, VP8/9, Theora, MJPEG; AVI, MP4, MKV, OGG, WebM,
// MPEG program streams and more). A movie opens its decoder on the program
// thread and afterwards calls it from its decoding thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "graphics/pixel_format.h"

namespace korva {

// Where a picture sits on the stream's clock.
struct PictureTime {
    int64_t start;     // microseconds; after the previous picture's start
    int64_t duration;  // microseconds, at least 1; an estimate for the last picture
};

// Pictures are decoded into rows at least pictureRowPixels(width) pixels
// long, starting on 16-byte boundaries: the converters write whole groups of
// pixels.
constexpr int32_t pictureRowPixels(int32_t width) { return (width + 15) / 16 * 16; }

class MovieDecoder {
public:
    virtual ~MovieDecoder() = default;
    // The size of every picture (pictures of another size in the stream are
    // scaled to it).
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // Where the file's sound starts on the stream's clock, in microseconds;
    // none when it has no sound stream with a decoder.
    virtual std::optional<int64_t> soundStart() const = 0;
    // Decodes the next picture into width x height pixels of the layout the
    // decoder was opened for, rows `pitch` bytes apart (bits the layout does
    // not use may be set). Pictures that end by
    // `lateBy` on the stream's clock would never be shown: they are passed
    // over without being converted, and while it is behind the decoder may
    // leave out pictures that no other depends on. The picture's time, or
    // none once the stream has ended or is too damaged to go on.
    virtual std::optional<PictureTime> decodeNext(uint8_t* bits, int32_t pitch, int64_t lateBy) = 0;
};

// The movie's video decoder, or null when the file cannot be read, holds no
// video stream with a decoder, or the layout is not a display's (32-bit
// XRGB, packed 24-bit RGB, 16-bit 565).
std::unique_ptr<MovieDecoder> openMovieDecoder(const std::string& path, const PixelFormat& layout);

}  // namespace korva
