#include "little_endian.h"

#include <algorithm>
#include <utility>

#include "tool_error.h"

namespace korva::mkimage {

ByteReader::ByteReader(std::span<const std::uint8_t> bytes, std::string context)
    : bytes_(bytes), context_(std::move(context)) {}

void ByteReader::fail(const std::string& problem) const {
  throw ToolError(context_ + ": " + problem);
}

void ByteReader::require(std::uint64_t offset, std::uint64_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) {
    fail(std::to_string(length) + " bytes at offset " + std::to_string(offset) +
         " run past the end (" + std::to_string(bytes_.size()) + " bytes)");
  }
}

std::uint8_t ByteReader::u8(std::uint64_t offset) const {
  return slice(offset, 1)[0];
}

std::uint16_t ByteReader::u16(std::uint64_t offset) const {
  auto bytes = slice(offset, 2);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t ByteReader::u32(std::uint64_t offset) const {
  auto bytes = slice(offset, 4);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Offsets are 64-bit so that sums of 32-bit file fields cannot wrap before
// they are checked; once checked they fit the host's size_t.
std::span<const std::uint8_t> ByteReader::slice(std::uint64_t offset, std::uint64_t length) const {
  require(offset, length);
  return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::string ByteReader::cString(std::uint64_t offset) const {
  std::uint64_t remaining = bytes_.size() - std::min<std::uint64_t>(offset, bytes_.size());
  auto rest = slice(offset, remaining);
  auto terminator = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  if (terminator == rest.end()) {
    fail("text at offset " + std::to_string(offset) + " has no terminating zero");
  }
  return std::string(rest.begin(), terminator);
}

void storeU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    bytes[offset++] = static_cast<std::uint8_t>(value >> shift);
  }
}

void appendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.resize(bytes.size() + 4);
  storeU32(bytes, bytes.size() - 4, value);
}

std::uint32_t loadU32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return ByteReader(bytes, "").u32(offset);
}

}  // namespace korva::mkimage
