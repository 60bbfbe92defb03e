#include "image_builder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "little_endian.h"
#include "tool_error.h"

namespace korva::mkimage {

namespace {

constexpr const char* kEntryName = "__MAIN";
constexpr std::uint8_t kJumpRel32Opcode = 0xE9;
constexpr std::uint32_t kEntryJumpSize = 5;
constexpr std::uint64_t kMaxCodeSize = std::numeric_limits<std::int32_t>::max();
// The runtime maps the block with mmap, so page alignment is all it can promise.
constexpr std::uint32_t kMaxAlignment = 4096;
constexpr std::size_t kNoRegion = std::numeric_limits<std::size_t>::max();

enum class Placement { Skip, Contents, ZeroFill };

// A stretch of the block that symbols lie in: one placed section, or the area
// given to common symbols. Absolute references name its label.
struct Region {
  std::uint32_t start = 0;
  std::string label;  // empty until an absolute reference needs one
};

struct SymbolTarget {
  enum class Kind { Undefined, Absolute, Placed };
  Kind kind = Kind::Undefined;
  std::string name;         // Undefined: the name the runtime's linker resolves
  std::uint32_t value = 0;  // Absolute: the value; Placed: offset within the region
  std::size_t region = kNoRegion;
};

struct GlobalDefinition {
  SymbolTarget target;
  bool weak = false;
  std::string objectPath;
};

struct CommonRequest {
  std::uint32_t size = 0;
  std::uint32_t alignment = 1;
  std::string objectPath;  // the first object that asked for it
};

std::uint64_t alignUp(std::uint64_t value, std::uint32_t alignment) {
  return (value + alignment - 1) & ~std::uint64_t{alignment - 1};
}

bool isSkippedProgbits(const ElfSection& section) {
  return section.name == ".eh_frame" || section.name.starts_with(".note");
}

bool isStaticConstructorList(const ElfSection& section) {
  return section.type == elf::SHT_INIT_ARRAY || section.type == elf::SHT_FINI_ARRAY ||
         section.type == elf::SHT_PREINIT_ARRAY;
}

Placement placementOf(const ElfObject& object, const ElfSection& section) {
  auto fail = [&](const std::string& problem) -> Placement {
    throw ToolError(object.path() + ": section '" + section.name + "' " + problem);
  };
  if ((section.flags & elf::SHF_ALLOC) == 0 || section.type == elf::SHT_NOTE) return Placement::Skip;
  if (section.flags & elf::SHF_TLS) return fail("holds thread-local data, which an image cannot carry");
  if (isStaticConstructorList(section)) return fail("lists static constructors or destructors, which nothing would run");
  if (section.alignment > kMaxAlignment) {
    return fail("asks for " + std::to_string(section.alignment) + "-byte alignment; an image guarantees at most " +
                std::to_string(kMaxAlignment));
  }
  if (section.type == elf::SHT_NOBITS) return Placement::ZeroFill;
  if (section.type != elf::SHT_PROGBITS) return fail("has unsupported type " + std::to_string(section.type));
  return isSkippedProgbits(section) ? Placement::Skip : Placement::Contents;
}

// Relocation types met in practice that an image cannot express, named in
// the error so that the user can tell what the compiler was asked to do.
struct RefusedRelocation {
  std::uint32_t type;
  const char* name;
  bool needsGlobalOffsetTable;
};

constexpr RefusedRelocation kRefusedRelocations[] = {
    {3, "R_386_GOT32", true},       {9, "R_386_GOTOFF", true},     {10, "R_386_GOTPC", true},
    {43, "R_386_GOT32X", true},     {14, "R_386_TLS_TPOFF", false}, {15, "R_386_TLS_IE", false},
    {16, "R_386_TLS_GOTIE", false}, {17, "R_386_TLS_LE", false},    {18, "R_386_TLS_GD", false},
    {19, "R_386_TLS_LDM", false},   {20, "R_386_16", false},        {21, "R_386_PC16", false},
    {22, "R_386_8", false},         {23, "R_386_PC8", false},
};

const RefusedRelocation* refusedRelocation(std::uint32_t type) {
  for (const RefusedRelocation& refused : kRefusedRelocations) {
    if (refused.type == type) return &refused;
  }
  return nullptr;
}

// R_386_32 and R_386_PC32/PLT32 are the only fix-ups the image format can
// express; everything else is refused.
bool isSupportedRelocation(std::uint32_t type) {
  return type == elf::R_386_32 || type == elf::R_386_PC32 || type == elf::R_386_PLT32;
}

std::string describeSymbol(const ElfObject& object, const ElfSymbol& symbol) {
  if (!symbol.name.empty()) return "'" + symbol.name + "'";
  if (symbol.isDefined() && symbol.sectionIndex < object.sections().size()) {
    return "section '" + object.sections()[symbol.sectionIndex].name + "'";
  }
  return "no symbol";
}

// One relocation being applied, for resolving it and for naming it in errors.
struct RelocationSite {
  std::size_t objectIndex;
  const ElfRelocationSection& section;
  const ElfRelocation& relocation;
  std::uint32_t offset;  // position of the 4-byte site in the block
};

class ImageBuilder {
 public:
  explicit ImageBuilder(const std::vector<ElfObject>& objects)
      : objects_(objects), sectionRegions_(objects.size()), code_(kEntryJumpSize) {}

  ModuleImage build() {
    placeSections(Placement::Contents);
    placeSections(Placement::ZeroFill);
    collectGlobals();
    placeCommons();
    applyRelocations();
    writeEntryJump();
    emitModuleSymbols();
    image_.code = std::move(code_);
    return std::move(image_);
  }

 private:
  void placeSections(Placement wanted) {
    for (std::size_t objectIndex = 0; objectIndex < objects_.size(); ++objectIndex) {
      const ElfObject& object = objects_[objectIndex];
      sectionRegions_[objectIndex].resize(object.sections().size(), kNoRegion);
      for (std::size_t sectionIndex = 0; sectionIndex < object.sections().size(); ++sectionIndex) {
        const ElfSection& section = object.sections()[sectionIndex];
        if (placementOf(object, section) != wanted) continue;
        std::uint32_t start = reserve(section.size, section.alignment);
        if (wanted == Placement::Contents) copyContents(object.contents(section), start);
        sectionRegions_[objectIndex][sectionIndex] = addRegion(start);
      }
    }
  }

  // Appends zero bytes at the given alignment and returns where they start.
  std::uint32_t reserve(std::uint64_t size, std::uint32_t alignment) {
    std::uint64_t start = alignUp(code_.size(), alignment);
    if (start + size > kMaxCodeSize) throw ToolError("the image would be larger than 2 GiB");
    code_.resize(start + size);
    return static_cast<std::uint32_t>(start);
  }

  void copyContents(std::span<const std::uint8_t> contents, std::uint32_t start) {
    std::copy(contents.begin(), contents.end(), code_.begin() + start);
  }

  std::size_t addRegion(std::uint32_t start) {
    regions_.push_back(Region{start, {}});
    return regions_.size() - 1;
  }

  void collectGlobals() {
    for (std::size_t objectIndex = 0; objectIndex < objects_.size(); ++objectIndex) {
      const ElfObject& object = objects_[objectIndex];
      for (const ElfSymbol& symbol : object.symbols()) {
        if (!symbol.isGlobal()) continue;
        if (symbol.name.empty()) throw ToolError(object.path() + ": damaged object: a global symbol has no name");
        namesInUse_.insert(symbol.name);
        if (!symbol.isDefined()) continue;
        if (symbol.sectionIndex == elf::SHN_COMMON) {
          requestCommon(object, symbol);
        } else {
          define(symbol.name, GlobalDefinition{ownTarget(objectIndex, symbol), symbol.binding == elf::STB_WEAK,
                                               object.path()});
        }
      }
    }
  }

  // A strong definition replaces a weak one; of two weak ones the first wins.
  void define(const std::string& name, GlobalDefinition definition) {
    auto [existing, inserted] = globals_.try_emplace(name, definition);
    if (inserted) {
      globalOrder_.push_back(name);
    } else if (!definition.weak && !existing->second.weak) {
      throw ToolError(definition.objectPath + ": '" + name + "' is already defined in " + existing->second.objectPath);
    } else if (!definition.weak) {
      existing->second = std::move(definition);
    }
  }

  // Where a symbol defined in its own object lies, before any global of the
  // same name from another object is taken into account.
  SymbolTarget ownTarget(std::size_t objectIndex, const ElfSymbol& symbol) const {
    const ElfObject& object = objects_[objectIndex];
    if (symbol.sectionIndex == elf::SHN_ABS) {
      if (symbol.isGlobal()) {
        throw ToolError(object.path() + ": '" + symbol.name + "' has an absolute value, which an image cannot export");
      }
      return SymbolTarget{SymbolTarget::Kind::Absolute, {}, symbol.value, kNoRegion};
    }
    if (!symbol.isDefined() || symbol.sectionIndex == elf::SHN_COMMON ||
        symbol.sectionIndex >= object.sections().size()) {
      throw ToolError(object.path() + ": damaged object: local symbol " + describeSymbol(object, symbol) +
                      " has no section");
    }
    const ElfSection& section = object.sections()[symbol.sectionIndex];
    std::size_t region = sectionRegions_[objectIndex][symbol.sectionIndex];
    if (region == kNoRegion) {
      throw ToolError(object.path() + ": symbol " + describeSymbol(object, symbol) + " lies in section '" +
                      section.name + "', which is not part of the image");
    }
    if (symbol.value > section.size) {
      throw ToolError(object.path() + ": damaged object: symbol " + describeSymbol(object, symbol) +
                      " lies outside section '" + section.name + "'");
    }
    return SymbolTarget{SymbolTarget::Kind::Placed, {}, symbol.value, region};
  }

  // Common symbols of one name merge into the largest size and alignment
  // asked for; a real definition anywhere takes precedence over them.
  void requestCommon(const ElfObject& object, const ElfSymbol& symbol) {
    std::uint32_t alignment = std::max<std::uint32_t>(symbol.value, 1);
    if ((alignment & (alignment - 1)) != 0 || alignment > kMaxAlignment) {
      throw ToolError(object.path() + ": common symbol '" + symbol.name + "' has unusable alignment " +
                      std::to_string(symbol.value));
    }
    auto [request, inserted] = commons_.try_emplace(symbol.name, CommonRequest{symbol.size, alignment, object.path()});
    if (inserted) commonOrder_.push_back(symbol.name);
    request->second.size = std::max(request->second.size, symbol.size);
    request->second.alignment = std::max(request->second.alignment, alignment);
  }

  void placeCommons() {
    std::vector<std::string> unresolved;
    std::uint32_t areaAlignment = 1;
    for (const std::string& name : commonOrder_) {
      if (globals_.contains(name)) continue;
      unresolved.push_back(name);
      areaAlignment = std::max(areaAlignment, commons_[name].alignment);
    }
    if (unresolved.empty()) return;
    std::size_t region = addRegion(reserve(0, areaAlignment));
    for (const std::string& name : unresolved) {
      const CommonRequest& request = commons_[name];
      std::uint32_t offset = reserve(request.size, request.alignment) - regions_[region].start;
      define(name, GlobalDefinition{SymbolTarget{SymbolTarget::Kind::Placed, {}, offset, region}, false,
                                    request.objectPath});
    }
  }

  void applyRelocations() {
    for (std::size_t objectIndex = 0; objectIndex < objects_.size(); ++objectIndex) {
      for (const ElfRelocationSection& relocations : objects_[objectIndex].relocationSections()) {
        std::size_t region = sectionRegions_[objectIndex][relocations.patchedSectionIndex];
        if (region != kNoRegion) applyRelocationSection(objectIndex, relocations, regions_[region].start);
      }
    }
  }

  void applyRelocationSection(std::size_t objectIndex, const ElfRelocationSection& relocations,
                              std::uint32_t patchedStart) {
    const ElfObject& object = objects_[objectIndex];
    const ElfSection& patched = object.sections()[relocations.patchedSectionIndex];
    if (patched.type == elf::SHT_NOBITS) {
      throw ToolError(object.path() + ": relocation section '" + relocations.name + "' patches zero-filled section '" +
                      patched.name + "'");
    }
    for (const ElfRelocation& relocation : relocations.relocations) {
      if (relocation.type == elf::R_386_NONE) continue;
      RelocationSite site{objectIndex, relocations, relocation, patchedStart + relocation.offset};
      if (!isSupportedRelocation(relocation.type)) throw ToolError(unsupportedRelocationMessage(site));
      if (relocation.offset > patched.size || patched.size - relocation.offset < 4) {
        throw ToolError(object.path() + ": damaged object: a relocation in '" + relocations.name +
                        "' lies outside section '" + patched.name + "'");
      }
      applyRelocation(site);
    }
  }

  void applyRelocation(const RelocationSite& site) {
    std::uint32_t addend = site.section.explicitAddends ? static_cast<std::uint32_t>(site.relocation.addend)
                                                        : loadU32(code_, site.offset);
    SymbolTarget target = resolve(site);
    std::uint32_t value = site.relocation.type == elf::R_386_32 ? absoluteSiteValue(target, site.offset, addend)
                                                                : relativeSiteValue(target, site, addend);
    storeU32(code_, site.offset, value);
  }

  SymbolTarget resolve(const RelocationSite& site) const {
    const ElfObject& object = objects_[site.objectIndex];
    const ElfSymbol& symbol = object.symbols()[site.relocation.symbolIndex];
    if (symbol.isGlobal()) {
      auto definition = globals_.find(symbol.name);
      if (definition != globals_.end()) return definition->second.target;
      return SymbolTarget{SymbolTarget::Kind::Undefined, symbol.name, 0, kNoRegion};
    }
    if (site.relocation.symbolIndex == 0) return SymbolTarget{SymbolTarget::Kind::Absolute, {}, 0, kNoRegion};
    return ownTarget(site.objectIndex, symbol);
  }

  // Addresses inside the block are only known once the runtime has placed it,
  // so a defined target is named through the label of its region.
  std::uint32_t absoluteSiteValue(const SymbolTarget& target, std::uint32_t site, std::uint32_t addend) {
    if (target.kind == SymbolTarget::Kind::Absolute) return addend + target.value;
    if (target.kind == SymbolTarget::Kind::Undefined) {
      image_.absoluteRelocations.push_back(ImageEntry{target.name, static_cast<std::int32_t>(site)});
      return addend;
    }
    image_.absoluteRelocations.push_back(ImageEntry{labelOf(target.region), static_cast<std::int32_t>(site)});
    return addend + target.value;
  }

  // A displacement between two points of the block does not depend on where
  // the block ends up, so it is resolved here.
  std::uint32_t relativeSiteValue(const SymbolTarget& target, const RelocationSite& site, std::uint32_t addend) {
    if (target.kind == SymbolTarget::Kind::Placed) return addend + blockOffset(target) - site.offset;
    if (target.kind == SymbolTarget::Kind::Undefined) {
      image_.relativeRelocations.push_back(ImageEntry{target.name, static_cast<std::int32_t>(site.offset)});
      return addend;
    }
    throw ToolError(objects_[site.objectIndex].path() + ": a relative relocation in '" + site.section.name +
                    "' refers to absolute symbol " + siteSymbol(site));
  }

  std::string siteSymbol(const RelocationSite& site) const {
    const ElfObject& object = objects_[site.objectIndex];
    return describeSymbol(object, object.symbols()[site.relocation.symbolIndex]);
  }

  std::string unsupportedRelocationMessage(const RelocationSite& site) const {
    std::uint32_t type = site.relocation.type;
    const RefusedRelocation* known = refusedRelocation(type);
    std::string message = objects_[site.objectIndex].path() + ": unsupported relocation type " +
                          std::to_string(type) + (known ? std::string(" (") + known->name + ")" : std::string()) +
                          " against " + siteSymbol(site) + " in section '" + site.section.name + "'";
    if (known && known->needsGlobalOffsetTable) message += "; compile with -fno-pic -fno-pie";
    return message;
  }

  // Labels take the compiler's numeric form, skipping any number a program
  // symbol already uses so that a label never captures a reference.
  const std::string& labelOf(std::size_t regionIndex) {
    Region& region = regions_[regionIndex];
    if (region.label.empty()) {
      do {
        region.label = "_" + std::to_string(nextLabel_++);
      } while (namesInUse_.contains(region.label));
      labelledRegions_.push_back(regionIndex);
    }
    return region.label;
  }

  std::uint32_t blockOffset(const SymbolTarget& target) const { return regions_[target.region].start + target.value; }

  void writeEntryJump() {
    auto entry = globals_.find(kEntryName);
    if (entry == globals_.end()) {
      throw ToolError(std::string("no object defines ") + kEntryName + ", the program's entry point");
    }
    code_[0] = kJumpRel32Opcode;
    storeU32(code_, 1, blockOffset(entry->second.target) - kEntryJumpSize);
  }

  void emitModuleSymbols() {
    image_.symbols.push_back(ImageEntry{kEntryName, 0});
    for (const std::string& name : globalOrder_) {
      if (name != kEntryName) addModuleSymbol(name, blockOffset(globals_.at(name).target));
    }
    for (std::size_t region : labelledRegions_) addModuleSymbol(regions_[region].label, regions_[region].start);
  }

  // The linker accepts only symbols inside the block; one that ends the last
  // section would sit just past it, so the block grows by a byte to hold it.
  void addModuleSymbol(const std::string& name, std::uint32_t offset) {
    if (offset >= code_.size()) code_.resize(offset + 1);
    image_.symbols.push_back(ImageEntry{name, static_cast<std::int32_t>(offset)});
  }

  const std::vector<ElfObject>& objects_;
  std::vector<std::vector<std::size_t>> sectionRegions_;  // [object][section] -> region, or kNoRegion
  std::vector<Region> regions_;
  std::vector<std::size_t> labelledRegions_;
  std::vector<std::uint8_t> code_;
  std::unordered_map<std::string, GlobalDefinition> globals_;
  std::vector<std::string> globalOrder_;
  std::unordered_map<std::string, CommonRequest> commons_;
  std::vector<std::string> commonOrder_;
  std::unordered_set<std::string> namesInUse_;
  unsigned nextLabel_ = 1;
  ModuleImage image_;
};

}  // namespace

ModuleImage buildModuleImage(const std::vector<ElfObject>& objects) { return ImageBuilder(objects).build(); }

}  // namespace korva::mkimage
