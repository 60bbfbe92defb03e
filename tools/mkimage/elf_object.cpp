#include "elf_object.h"

#include <cstring>
#include <utility>

#include "little_endian.h"
#include "tool_error.h"

namespace korva::mkimage {

namespace {

constexpr std::uint16_t kRelocatableType = 1;  // ET_REL
constexpr std::uint16_t kI386Machine = 3;      // EM_386
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSymbolSize = 16;
constexpr std::uint32_t kRelSize = 8;
constexpr std::uint32_t kRelaSize = 12;

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool isRelocationSection(const ElfSection& section) {
  return section.type == elf::SHT_REL || section.type == elf::SHT_RELA;
}

}  // namespace

ElfObject::ElfObject(std::string path, std::vector<std::uint8_t> bytes)
    : path_(std::move(path)), bytes_(std::move(bytes)) {}

ElfObject ElfObject::parse(std::string path, std::vector<std::uint8_t> bytes) {
  ElfObject object(std::move(path), std::move(bytes));
  object.readHeaderAndSections();
  object.readSymbols();
  object.readRelocations();
  return object;
}

void ElfObject::fail(const std::string& problem) const { throw ToolError(path_ + ": " + problem); }

std::span<const std::uint8_t> ElfObject::contents(const ElfSection& section) const {
  ByteReader file(bytes_, path_ + ": damaged object: section '" + section.name + "'");
  return file.slice(section.fileOffset, section.size);
}

void ElfObject::readHeaderAndSections() {
  ByteReader file(bytes_, path_ + ": damaged object");
  static constexpr std::uint8_t kMagic[] = {0x7f, 'E', 'L', 'F'};
  if (bytes_.size() < 16 || std::memcmp(bytes_.data(), kMagic, sizeof kMagic) != 0) fail("not an ELF file");
  if (bytes_[4] != 1) fail("not a 32-bit ELF object (compile with -m32)");
  if (bytes_[5] != 1) fail("not a little-endian ELF object");
  if (std::uint16_t type = file.u16(16); type != kRelocatableType) {
    fail("not a relocatable object (ELF type " + std::to_string(type) + "); compile with -c");
  }
  if (std::uint16_t machine = file.u16(18); machine != kI386Machine) {
    fail("not an i386 object (ELF machine " + std::to_string(machine) + "); compile with -m32");
  }
  std::uint32_t headerTable = file.u32(32);
  std::uint16_t headerSize = file.u16(46);
  std::uint16_t count = file.u16(48);
  std::uint16_t namesIndex = file.u16(50);
  if (count == 0 && headerTable != 0) fail("extended section numbering is not supported");
  if (count != 0 && headerSize < kSectionHeaderSize) {
    fail("section header size " + std::to_string(headerSize) + " is too small");
  }
  std::vector<std::uint32_t> nameOffsets;
  for (std::uint32_t index = 0; index < count; ++index) {
    ByteReader header(file.slice(headerTable + std::uint64_t{index} * headerSize, kSectionHeaderSize),
                      path_ + ": damaged section header");
    sections_.push_back(readSectionHeader(header, index));
    nameOffsets.push_back(header.u32(0));
  }
  readSectionNames(namesIndex, nameOffsets);
}

// Everything but the name, which needs the name table read afterwards.
ElfSection ElfObject::readSectionHeader(const ByteReader& header, std::uint32_t index) const {
  ElfSection section;
  section.type = header.u32(4);
  section.flags = header.u32(8);
  section.fileOffset = header.u32(16);
  section.size = header.u32(20);
  section.link = header.u32(24);
  section.info = header.u32(28);
  std::uint32_t alignment = header.u32(32);
  section.alignment = alignment == 0 ? 1 : alignment;
  if (!isPowerOfTwo(section.alignment)) {
    fail("section " + std::to_string(index) + " has alignment " + std::to_string(alignment) +
         ", which is not a power of two");
  }
  return section;
}

void ElfObject::readSectionNames(std::uint32_t namesIndex, const std::vector<std::uint32_t>& nameOffsets) {
  if (namesIndex == elf::SHN_XINDEX) fail("extended section numbering is not supported");
  if (namesIndex == elf::SHN_UNDEF) return;
  if (namesIndex >= sections_.size()) fail("damaged object: section name table index is out of range");
  ByteReader names(contents(sections_[namesIndex]), path_ + ": damaged section name table");
  for (std::size_t index = 0; index < sections_.size(); ++index) {
    sections_[index].name = names.cString(nameOffsets[index]);
  }
}

std::span<const std::uint8_t> ElfObject::tableContents(const ElfSection& section, std::uint32_t entrySize) const {
  if (section.size % entrySize != 0) {
    fail("damaged object: size of section '" + section.name + "' is not a multiple of its entry size");
  }
  return contents(section);
}

void ElfObject::readSymbols() {
  for (std::uint32_t index = 0; index < sections_.size(); ++index) {
    if (sections_[index].type != elf::SHT_SYMTAB) continue;
    if (symbolTableIndex_ != 0) fail("more than one symbol table");
    symbolTableIndex_ = index;
  }
  if (symbolTableIndex_ == 0) return;
  const ElfSection& table = sections_[symbolTableIndex_];
  if (table.link >= sections_.size() || sections_[table.link].type != elf::SHT_STRTAB) {
    fail("damaged object: the symbol table has no string table");
  }
  auto names = contents(sections_[table.link]);
  auto entries = tableContents(table, kSymbolSize);
  for (std::size_t offset = 0; offset < entries.size(); offset += kSymbolSize) {
    symbols_.push_back(readSymbol(entries.subspan(offset, kSymbolSize), names));
  }
}

ElfSymbol ElfObject::readSymbol(std::span<const std::uint8_t> entry, std::span<const std::uint8_t> names) const {
  ByteReader fields(entry, path_ + ": damaged symbol");
  ElfSymbol symbol;
  symbol.name = ByteReader(names, path_ + ": damaged symbol names").cString(fields.u32(0));
  symbol.value = fields.u32(4);
  symbol.size = fields.u32(8);
  symbol.binding = fields.u8(12) >> 4;
  symbol.sectionIndex = fields.u16(14);
  if (symbol.sectionIndex == elf::SHN_XINDEX) fail("extended section indices are not supported");
  bool reserved = symbol.sectionIndex >= elf::SHN_LORESERVE;
  bool special = symbol.sectionIndex == elf::SHN_ABS || symbol.sectionIndex == elf::SHN_COMMON;
  if ((reserved && !special) || (!reserved && symbol.sectionIndex >= sections_.size())) {
    fail("damaged object: symbol '" + symbol.name + "' has section index " + std::to_string(symbol.sectionIndex));
  }
  return symbol;
}

void ElfObject::readRelocations() {
  for (const ElfSection& section : sections_) {
    if (isRelocationSection(section)) relocationSections_.push_back(readRelocationSection(section));
  }
}

ElfRelocationSection ElfObject::readRelocationSection(const ElfSection& section) const {
  if (symbolTableIndex_ == 0 || section.link != symbolTableIndex_) {
    fail("damaged object: relocation section '" + section.name + "' does not use the symbol table");
  }
  if (section.info >= sections_.size()) {
    fail("damaged object: relocation section '" + section.name + "' patches a section that does not exist");
  }
  ElfRelocationSection result;
  result.name = section.name;
  result.patchedSectionIndex = section.info;
  result.explicitAddends = section.type == elf::SHT_RELA;
  std::uint32_t entrySize = result.explicitAddends ? kRelaSize : kRelSize;
  ByteReader entries(tableContents(section, entrySize), path_ + ": damaged relocation section '" + section.name + "'");
  for (std::uint64_t offset = 0; offset < entries.size(); offset += entrySize) {
    ElfRelocation relocation;
    relocation.offset = entries.u32(offset);
    std::uint32_t info = entries.u32(offset + 4);
    relocation.type = info & 0xff;
    relocation.symbolIndex = info >> 8;
    if (result.explicitAddends) relocation.addend = static_cast<std::int32_t>(entries.u32(offset + 8));
    if (relocation.symbolIndex >= symbols_.size()) {
      fail("damaged object: a relocation in '" + section.name + "' names symbol " +
           std::to_string(relocation.symbolIndex) + ", which does not exist");
    }
    result.relocations.push_back(relocation);
  }
  return result;
}

}  // namespace korva::mkimage
