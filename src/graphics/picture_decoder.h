// Decoding of picture files (BMP, PNG, JPEG, ...) into 32-bit pixels.
// Canvas loading is the only caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace korva {

// A decoded picture: 32 bits per pixel, ARGB little-endian (blue first),
// rows bottom-up as the decoder delivers them: row 0 is the bottom row.
class DecodedPicture {
public:
    virtual ~DecodedPicture() = default;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual int32_t pitch() const = 0;
    virtual uint8_t* bits() = 0;
};

// The picture, or null when the file cannot be read, its type is not known
// (from its contents, or else from the text after the first "." of its
// name) or it cannot be decoded.
std::unique_ptr<DecodedPicture> decodePicture(const std::string& path);

}  // namespace korva
