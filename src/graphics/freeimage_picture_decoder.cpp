#include <FreeImage.h>

#include "graphics/picture_decoder.h"

namespace korva {
namespace {

class FreeImagePicture final : public DecodedPicture {
public:
    explicit FreeImagePicture(FIBITMAP* bitmap) : bitmap_(bitmap) {}
    ~FreeImagePicture() override { FreeImage_Unload(bitmap_); }
    int32_t width() const override { return static_cast<int32_t>(FreeImage_GetWidth(bitmap_)); }
    int32_t height() const override { return static_cast<int32_t>(FreeImage_GetHeight(bitmap_)); }
    int32_t pitch() const override { return static_cast<int32_t>(FreeImage_GetPitch(bitmap_)); }
    uint8_t* bits() override { return FreeImage_GetBits(bitmap_); }

private:
    FIBITMAP* bitmap_;
};

FREE_IMAGE_FORMAT formatOf(const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format != FIF_UNKNOWN) return format;
    const size_t dot = path.find('.', path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
    if (dot == std::string::npos) return FIF_UNKNOWN;
    return FreeImage_GetFIFFromFormat(path.c_str() + dot + 1);
}

}  // namespace

std::unique_ptr<DecodedPicture> decodePicture(const std::string& path) {
    FreeImage_Initialise(FALSE);  // only the first call in the process does anything
    const FREE_IMAGE_FORMAT format = formatOf(path);
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) return nullptr;
    FIBITMAP* decoded = FreeImage_Load(format, path.c_str(), 0);
    if (decoded == nullptr) return nullptr;
    FIBITMAP* converted = FreeImage_ConvertTo32Bits(decoded);
    FreeImage_Unload(decoded);
    if (converted == nullptr) return nullptr;
    if (FreeImage_GetWidth(converted) == 0 || FreeImage_GetHeight(converted) == 0) {
        FreeImage_Unload(converted);
        return nullptr;
    }
    return std::make_unique<FreeImagePicture>(converted);
}

}  // namespace korva
