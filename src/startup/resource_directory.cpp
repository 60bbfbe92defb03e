#include "startup/resource_directory.h"

#include <cstring>
#include <fstream>

namespace korva {
namespace {

constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'A', 'R', 'E', 'S'};
constexpr uint64_t kTrailerSize = 8 + 3 * 4;
constexpr uint64_t kEntrySize = 4 * 4;

struct Trailer {
    uint32_t directoryStart, count, tableOffset;
};

uint32_t readU32(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

void appendU32(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

bool readAt(std::ifstream& file, uint64_t offset, void* into, uint64_t length) {
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(static_cast<char*>(into), static_cast<std::streamsize>(length));
    return file.good();
}

// The trailer, if the file ends with one whose table fits exactly between the
// directory start and the trailer.
std::optional<Trailer> readTrailer(std::ifstream& file, uint64_t fileSize) {
    if (fileSize < kTrailerSize) return std::nullopt;
    uint8_t raw[kTrailerSize];
    if (!readAt(file, fileSize - kTrailerSize, raw, kTrailerSize)) return std::nullopt;
    if (std::memcmp(raw, kMagic, sizeof kMagic) != 0) return std::nullopt;
    Trailer trailer{readU32(raw + 8), readU32(raw + 12), readU32(raw + 16)};
    const uint64_t tableEnd = fileSize - kTrailerSize;
    if (trailer.tableOffset > tableEnd || trailer.directoryStart > trailer.tableOffset) return std::nullopt;
    if (static_cast<uint64_t>(trailer.count) * kEntrySize != tableEnd - trailer.tableOffset) return std::nullopt;
    return trailer;
}

std::optional<uint64_t> fileSizeOf(std::ifstream& file) {
    file.seekg(0, std::ios::end);
    auto size = file.tellg();
    if (size < 0) return std::nullopt;
    return static_cast<uint64_t>(size);
}

}  // namespace

std::optional<std::vector<uint8_t>> loadResource(const std::string& path, uint32_t type, uint32_t id) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    auto fileSize = fileSizeOf(file);
    if (!fileSize) return std::nullopt;
    auto trailer = readTrailer(file, *fileSize);
    if (!trailer) return std::nullopt;
    std::vector<uint8_t> table(trailer->count * kEntrySize);
    if (!table.empty() && !readAt(file, trailer->tableOffset, table.data(), table.size())) return std::nullopt;
    for (uint32_t i = 0; i < trailer->count; ++i) {
        const uint8_t* entry = table.data() + i * kEntrySize;
        if (readU32(entry) != type || readU32(entry + 4) != id) continue;
        const uint64_t offset = readU32(entry + 8), size = readU32(entry + 12);
        if (offset < trailer->directoryStart || offset + size > trailer->tableOffset) return std::nullopt;
        std::vector<uint8_t> bytes(size);
        if (size != 0 && !readAt(file, offset, bytes.data(), size)) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

std::optional<uint64_t> executableLength(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    auto fileSize = fileSizeOf(file);
    if (!fileSize) return std::nullopt;
    if (auto trailer = readTrailer(file, *fileSize)) return trailer->directoryStart;
    return fileSize;
}

std::vector<uint8_t> buildResourceDirectory(uint64_t executableLength, const std::vector<Resource>& resources) {
    std::vector<uint8_t> directory;
    std::vector<uint8_t> table;
    const auto start = static_cast<uint32_t>(executableLength);
    for (const Resource& resource : resources) {
        appendU32(table, resource.type);
        appendU32(table, resource.id);
        appendU32(table, static_cast<uint32_t>(start + directory.size()));
        appendU32(table, static_cast<uint32_t>(resource.bytes.size()));
        directory.insert(directory.end(), resource.bytes.begin(), resource.bytes.end());
    }
    const auto tableOffset = static_cast<uint32_t>(start + directory.size());
    directory.insert(directory.end(), table.begin(), table.end());
    directory.insert(directory.end(), kMagic, kMagic + sizeof kMagic);
    appendU32(directory, start);
    appendU32(directory, static_cast<uint32_t>(resources.size()));
    appendU32(directory, tableOffset);
    return directory;
}

}  // namespace korva
