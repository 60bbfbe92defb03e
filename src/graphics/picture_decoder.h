// Decoding of picture files into 32-bit pixels. Canvas loading is the
// caller; the from-memory entry does the work and is the one to fuzz.
//
// Formats: BMP, TGA and PCX have decoders of our own, PNG goes through
// libpng and JPEG through libjpeg; the other formats FreeImage knows are
// decoded by FreeImage, but only those whose size it can read before
// decoding (and GIF, whose header is checked here).
//
// Limits: a picture wider or higher than PictureLimits::kMaxSide pixels, or
// with more than PictureLimits::kMaxPixels pixels, is refused from its header
// before any pixel memory is taken, and so is a file larger than
// kMaxFileBytes. No game picture comes near them; a hostile one cannot make a
// load cost more than about kMaxPixels x 4 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

struct PictureLimits {
    static constexpr int32_t kMaxSide = 16384;
    static constexpr int64_t kMaxPixels = int64_t{1} << 24;  // 4096 x 4096: 64 MiB decoded
    static constexpr int64_t kMaxFileBytes = int64_t{256} << 20;

    static constexpr bool allow(int64_t width, int64_t height) {
        return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
    }
};

// A decoded picture: ARGB pixels (alpha bits as the file gives them), rows
// from the top.
class DecodedPicture {
public:
    // A black picture; null when the size is outside PictureLimits or memory
    // runs out.
    static std::unique_ptr<DecodedPicture> create(int64_t width, int64_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint32_t* row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    const uint32_t* row(int32_t y) const {
        return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
    }

private:
    DecodedPicture(int32_t width, int32_t height);

    int32_t width_, height_;
    std::vector<uint32_t> pixels_;
};

// The picture in the file, or null when the file cannot be read, its type
// is not known (from its contents, or else from the text after the first "."
// of its name), it is damaged or it passes the limits.
std::unique_ptr<DecodedPicture> decodePicture(const std::string& path);

// The same for a file's contents; name only serves to find the type when the
// contents do not tell.
std::unique_ptr<DecodedPicture> decodePicture(std::span<const uint8_t> bytes, std::string_view name);

}  // namespace korva
