// The module image as the runtime loads it: one block of code and data, then
// three tables of (name, offset) entries - module symbols, relative
// relocations and absolute relocations. Integers are 32-bit little-endian;
// each table is a count followed by its entries, each entry a zero-terminated
// name followed by an offset into the block.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva::mkimage {

struct ImageEntry {
  std::string name;
  std::int32_t offset = 0;

  bool operator==(const ImageEntry&) const = default;
};

struct ModuleImage {
  std::vector<std::uint8_t> code;
  std::vector<ImageEntry> symbols;
  std::vector<ImageEntry> relativeRelocations;  // site += address(name) - site
  std::vector<ImageEntry> absoluteRelocations;  // site += address(name)
};

std::vector<std::uint8_t> encodeModuleImage(const ModuleImage& image);

// Throws ToolError, prefixed with source, when the bytes are truncated, a
// name is not terminated, or bytes follow the last table. A count of zero or
// less is an empty table, as the runtime's linker reads it.
ModuleImage decodeModuleImage(std::span<const std::uint8_t> bytes, const std::string& source);

}  // namespace korva::mkimage
