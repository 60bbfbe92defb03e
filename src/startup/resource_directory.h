// Resources appended to an executable (in place of the Win32 resource
// section). The directory sits at the very end of the file:
//
//   executable bytes
//   resource bytes ...                      <- directory start
//   entry table: count x {type, id, offset, size}   (u32 each, offsets from file start)
//   trailer: "KORVARES" magic, directory start, entry count, table offset (u32 each)
//
// The trailer is read from the end of the file; every offset and size is
// checked against the file, so a truncated or lying directory is simply "no
// resource".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva {

constexpr uint32_t kResourceTypeRcData = 10;
constexpr uint32_t kModuleImageResourceId = 1111;

struct Resource {
    uint32_t type;
    uint32_t id;
    std::vector<uint8_t> bytes;
};

// The bytes of resource (type, id) of the given file, or nothing when the file
// has no valid directory or no such resource.
std::optional<std::vector<uint8_t>> loadResource(const std::string& path, uint32_t type, uint32_t id);

// The length of the file's executable part: the whole file, or the bytes
// before an existing valid directory.
std::optional<uint64_t> executableLength(const std::string& path);

// A directory holding the given resources, to be appended to an executable of
// the given length.
std::vector<uint8_t> buildResourceDirectory(uint64_t executableLength, const std::vector<Resource>& resources);

}  // namespace korva
