// An i386 ELF relocatable object, read with every field checked against the
// file, reduced to what an image needs: sections, the symbol table and the
// relocations.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva::mkimage {

class ByteReader;

namespace elf {
constexpr std::uint32_t SHT_PROGBITS = 1;
constexpr std::uint32_t SHT_SYMTAB = 2;
constexpr std::uint32_t SHT_STRTAB = 3;
constexpr std::uint32_t SHT_RELA = 4;
constexpr std::uint32_t SHT_NOTE = 7;
constexpr std::uint32_t SHT_NOBITS = 8;
constexpr std::uint32_t SHT_REL = 9;
constexpr std::uint32_t SHT_INIT_ARRAY = 14;
constexpr std::uint32_t SHT_FINI_ARRAY = 15;
constexpr std::uint32_t SHT_PREINIT_ARRAY = 16;

constexpr std::uint32_t SHF_ALLOC = 0x2;
constexpr std::uint32_t SHF_TLS = 0x400;

constexpr std::uint16_t SHN_UNDEF = 0;
constexpr std::uint16_t SHN_LORESERVE = 0xff00;
constexpr std::uint16_t SHN_ABS = 0xfff1;
constexpr std::uint16_t SHN_COMMON = 0xfff2;
constexpr std::uint16_t SHN_XINDEX = 0xffff;

constexpr std::uint8_t STB_LOCAL = 0;
constexpr std::uint8_t STB_GLOBAL = 1;
constexpr std::uint8_t STB_WEAK = 2;

constexpr std::uint32_t R_386_NONE = 0;
constexpr std::uint32_t R_386_32 = 1;
constexpr std::uint32_t R_386_PC32 = 2;
constexpr std::uint32_t R_386_PLT32 = 4;
}  // namespace elf

struct ElfSection {
  std::string name;
  std::uint32_t type = 0;
  std::uint32_t flags = 0;
  std::uint32_t fileOffset = 0;
  std::uint32_t size = 0;
  std::uint32_t link = 0;
  std::uint32_t info = 0;
  std::uint32_t alignment = 1;  // a power of two; 0 in the file reads as 1
};

struct ElfSymbol {
  std::string name;
  std::uint32_t value = 0;
  std::uint32_t size = 0;
  std::uint8_t binding = 0;
  std::uint16_t sectionIndex = 0;  // a section, or SHN_UNDEF / SHN_ABS / SHN_COMMON

  bool isGlobal() const { return binding == elf::STB_GLOBAL || binding == elf::STB_WEAK; }
  bool isDefined() const { return sectionIndex != elf::SHN_UNDEF; }
};

struct ElfRelocation {
  std::uint32_t offset = 0;  // site, relative to the start of the patched section
  std::uint32_t type = 0;
  std::uint32_t symbolIndex = 0;
  std::int32_t addend = 0;  // only meaningful when the section has explicit addends
};

struct ElfRelocationSection {
  std::string name;
  std::uint32_t patchedSectionIndex = 0;
  bool explicitAddends = false;  // SHT_RELA rather than SHT_REL
  std::vector<ElfRelocation> relocations;
};

class ElfObject {
 public:
  // Throws ToolError naming the file when it is not an i386 ELF relocatable
  // object or any of its structures lies outside it.
  static ElfObject parse(std::string path, std::vector<std::uint8_t> bytes);

  const std::string& path() const { return path_; }
  const std::vector<ElfSection>& sections() const { return sections_; }
  const std::vector<ElfSymbol>& symbols() const { return symbols_; }
  const std::vector<ElfRelocationSection>& relocationSections() const { return relocationSections_; }
  // The file bytes of a section that has them (not SHT_NOBITS).
  std::span<const std::uint8_t> contents(const ElfSection& section) const;

 private:
  ElfObject(std::string path, std::vector<std::uint8_t> bytes);

  void readHeaderAndSections();
  ElfSection readSectionHeader(const ByteReader& header, std::uint32_t index) const;
  void readSectionNames(std::uint32_t namesIndex, const std::vector<std::uint32_t>& nameOffsets);
  void readSymbols();
  void readRelocations();
  ElfSymbol readSymbol(std::span<const std::uint8_t> entry, std::span<const std::uint8_t> names) const;
  ElfRelocationSection readRelocationSection(const ElfSection& section) const;
  std::span<const std::uint8_t> tableContents(const ElfSection& section, std::uint32_t entrySize) const;
  [[noreturn]] void fail(const std::string& problem) const;

  std::string path_;
  std::vector<std::uint8_t> bytes_;
  std::vector<ElfSection> sections_;
  std::vector<ElfSymbol> symbols_;
  std::vector<ElfRelocationSection> relocationSections_;
  std::uint32_t symbolTableIndex_ = 0;
};

}  // namespace korva::mkimage
