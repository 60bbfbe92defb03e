// Bounds-checked little-endian access to untrusted bytes (object files and
// images), and the matching writers for the image being produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva::mkimage {

// Every read is checked against the end of the bytes; a read past it throws a
// ToolError that starts with the context given at construction, so a damaged
// file is reported instead of being read out of bounds.
class ByteReader {
 public:
  ByteReader(std::span<const std::uint8_t> bytes, std::string context);

  std::size_t size() const { return bytes_.size(); }
  std::uint8_t u8(std::uint64_t offset) const;
  std::uint16_t u16(std::uint64_t offset) const;
  std::uint32_t u32(std::uint64_t offset) const;
  std::span<const std::uint8_t> slice(std::uint64_t offset, std::uint64_t length) const;
  // The bytes from offset up to (not including) the next zero byte, which must
  // lie inside the reader's bytes.
  std::string cString(std::uint64_t offset) const;

  [[noreturn]] void fail(const std::string& problem) const;

 private:
  void require(std::uint64_t offset, std::uint64_t length) const;

  std::span<const std::uint8_t> bytes_;
  std::string context_;
};

void storeU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
void appendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value);
// Reads back a value from bytes under construction (checked like ByteReader).
std::uint32_t loadU32(const std::vector<std::uint8_t>& bytes, std::size_t offset);

}  // namespace korva::mkimage
