#include "audio/file_bytes.h"

#include <cstdio>
#include <memory>

namespace korva {

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path, size_t maxBytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (file == nullptr) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (bytes.size() + got > maxBytes) return std::nullopt;
        bytes.insert(bytes.end(), block, block + got);
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

}  // namespace korva
