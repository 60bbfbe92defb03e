#include "image_file.h"

#include "little_endian.h"

namespace korva::mkimage {

namespace {

void encodeTable(std::vector<std::uint8_t>& bytes, const std::vector<ImageEntry>& table) {
  appendU32(bytes, static_cast<std::uint32_t>(table.size()));
  for (const ImageEntry& entry : table) {
    bytes.insert(bytes.end(), entry.name.begin(), entry.name.end());
    bytes.push_back(0);
    appendU32(bytes, static_cast<std::uint32_t>(entry.offset));
  }
}

// Reads the image front to back; every read is bounds-checked by the reader.
class ImageDecoder {
 public:
  ImageDecoder(std::span<const std::uint8_t> bytes, const std::string& source)
      : reader_(bytes, source + ": damaged module image") {}

  ModuleImage decode() {
    ModuleImage image;
    auto codeSize = static_cast<std::int32_t>(readU32());
    if (codeSize < 0) reader_.fail("negative code size " + std::to_string(codeSize));
    auto code = reader_.slice(position_, static_cast<std::uint32_t>(codeSize));
    image.code.assign(code.begin(), code.end());
    position_ += code.size();
    image.symbols = decodeTable();
    image.relativeRelocations = decodeTable();
    image.absoluteRelocations = decodeTable();
    if (position_ != reader_.size()) {
      reader_.fail(std::to_string(reader_.size() - position_) + " bytes follow the last table");
    }
    return image;
  }

 private:
  std::uint32_t readU32() {
    std::uint32_t value = reader_.u32(position_);
    position_ += 4;
    return value;
  }

  std::vector<ImageEntry> decodeTable() {
    auto count = static_cast<std::int32_t>(readU32());
    std::vector<ImageEntry> table;
    for (std::int32_t index = 0; index < count; ++index) {
      ImageEntry entry;
      entry.name = reader_.cString(position_);
      position_ += entry.name.size() + 1;
      entry.offset = static_cast<std::int32_t>(readU32());
      table.push_back(std::move(entry));
    }
    return table;
  }

  ByteReader reader_;
  std::uint64_t position_ = 0;
};

}  // namespace

std::vector<std::uint8_t> encodeModuleImage(const ModuleImage& image) {
  std::vector<std::uint8_t> bytes;
  appendU32(bytes, static_cast<std::uint32_t>(image.code.size()));
  bytes.insert(bytes.end(), image.code.begin(), image.code.end());
  encodeTable(bytes, image.symbols);
  encodeTable(bytes, image.relativeRelocations);
  encodeTable(bytes, image.absoluteRelocations);
  return bytes;
}

ModuleImage decodeModuleImage(std::span<const std::uint8_t> bytes, const std::string& source) {
  return ImageDecoder(bytes, source).decode();
}

}  // namespace korva::mkimage
