// Whole files read into memory for the decoders that take their input that way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva {

// The file's bytes; none when it cannot be read or is larger than maxBytes.
std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path, size_t maxBytes);

}  // namespace korva
