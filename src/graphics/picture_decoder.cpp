// Finding a picture's format and handing it to its decoder.
#include "graphics/picture_decoder.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "graphics/picture_formats.h"

namespace korva {

DecodedPicture::DecodedPicture(int32_t width, int32_t height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u) {}

std::unique_ptr<DecodedPicture> DecodedPicture::create(int64_t width, int64_t height) {
    if (!PictureLimits::allow(width, height)) return nullptr;
    try {
        return std::unique_ptr<DecodedPicture>(
            new DecodedPicture(static_cast<int32_t>(width), static_cast<int32_t>(height)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

bool startsWith(std::span<const uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// A TGA file has no signature at its start; version 2 files end in one.
bool endsAsTga(std::span<const uint8_t> bytes) {
    constexpr std::string_view kFooter{"TRUEVISION-XFILE.\0", 18};
    return bytes.size() >= kFooter.size() &&
           std::memcmp(bytes.data() + bytes.size() - kFooter.size(), kFooter.data(), kFooter.size()) == 0;
}

bool looksLikePcx(std::span<const uint8_t> bytes) {
    return bytes.size() >= 128 && bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] <= 1 &&
           (bytes[3] == 1 || bytes[3] == 2 || bytes[3] == 4 || bytes[3] == 8);
}

FREE_IMAGE_FORMAT signatureFormat(std::span<const uint8_t> bytes) {
    if (startsWith(bytes, "BM")) return FIF_BMP;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) return FIF_PNG;
    if (startsWith(bytes, "\xFF\xD8\xFF")) return FIF_JPEG;
    if (looksLikePcx(bytes)) return FIF_PCX;
    if (endsAsTga(bytes)) return FIF_TARGA;
    return static_cast<FREE_IMAGE_FORMAT>(freeImageSignatureFormat(bytes));
}

// The text from the first "." of the file name (its last path part), as
// FreeImage knows the formats' file extensions.
FREE_IMAGE_FORMAT extensionFormat(std::string_view name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.find('.', slash == std::string_view::npos ? 0 : slash);
    if (dot == std::string_view::npos) return FIF_UNKNOWN;
    return FreeImage_GetFIFFromFilename(std::string(name.substr(dot)).c_str());
}

// Reads the whole file, refusing one beyond the limit before reading it.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status {};
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= PictureLimits::kMaxFileBytes;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(status.st_size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0) ok = false;
        done += got > 0 ? static_cast<size_t>(got) : 0;
    }
    close(fd);
    return ok;
}

}  // namespace

std::unique_ptr<DecodedPicture> decodePicture(std::span<const uint8_t> bytes, std::string_view name) {
    if (bytes.empty() || static_cast<int64_t>(bytes.size()) > PictureLimits::kMaxFileBytes) return nullptr;
    FreeImage_Initialise(FALSE);  // only the first call in the process does anything
    FREE_IMAGE_FORMAT format = signatureFormat(bytes);
    if (format == FIF_UNKNOWN) format = extensionFormat(name);
    switch (format) {
        case FIF_UNKNOWN: return nullptr;
        case FIF_BMP: return decodeBmp(bytes);
        case FIF_TARGA: return decodeTga(bytes);
        case FIF_PCX: return decodePcx(bytes);
        case FIF_PNG: return decodePng(bytes);
        case FIF_JPEG: return decodeJpeg(bytes);
        default: return decodeWithFreeImage(bytes, format);
    }
}

std::unique_ptr<DecodedPicture> decodePicture(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes)) return nullptr;
    return decodePicture(bytes, path);
}

}  // namespace korva
