#include "startup/module_image.h"

#include <sys/mman.h>

#include <cstring>
#include <optional>
#include <vector>

namespace korva {
namespace {

struct TableEntry {
    std::string name;
    int32_t offset;
};

// Reads the image front to back; any read past the end marks it broken.
class ImageReader {
public:
    ImageReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    std::optional<int32_t> readInt() {
        if (size_ - pos_ < 4) return std::nullopt;
        int32_t value;
        std::memcpy(&value, data_ + pos_, 4);
        pos_ += 4;
        return value;
    }

    std::optional<std::string> readName() {
        const void* end = std::memchr(data_ + pos_, 0, size_ - pos_);
        if (end == nullptr) return std::nullopt;
        size_t length = static_cast<const uint8_t*>(end) - (data_ + pos_);
        std::string name(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length + 1;
        return name;
    }

    const uint8_t* take(size_t count) {
        if (size_ - pos_ < count) return nullptr;
        const uint8_t* start = data_ + pos_;
        pos_ += count;
        return start;
    }

    // A table, or nothing with the problem described.
    std::optional<std::vector<TableEntry>> readTable(const char* table, std::string& problem) {
        auto count = readInt();
        if (!count) {
            problem = std::string("truncated before the ") + table + " table";
            return std::nullopt;
        }
        std::vector<TableEntry> entries;
        for (int32_t i = 0; i < *count; ++i) {
            auto name = readName();
            auto offset = name ? readInt() : std::nullopt;
            if (!offset) {
                problem = "truncated in the " + std::string(table) + " table, at entry " + std::to_string(i + 1) +
                          " of " + std::to_string(*count);
                return std::nullopt;
            }
            entries.push_back({std::move(*name), *offset});
        }
        return entries;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct ParsedImage {
    const uint8_t* code;
    int32_t codeSize;
    std::vector<TableEntry> symbols, relative, absolute;
};

std::optional<ParsedImage> parseImage(const uint8_t* image, size_t size, std::string& problem) {
    ImageReader reader(image, size);
    auto codeSize = reader.readInt();
    if (!codeSize || *codeSize <= 0) {
        problem = codeSize ? "the code size is " + std::to_string(*codeSize) : "too short to be a module image";
        return std::nullopt;
    }
    const uint8_t* code = reader.take(static_cast<size_t>(*codeSize));
    if (code == nullptr) {
        problem = "truncated: the code size is " + std::to_string(*codeSize) + " bytes, " +
                  std::to_string(size - 4) + " follow";
        return std::nullopt;
    }
    auto symbols = reader.readTable("module symbol", problem);
    if (!symbols) return std::nullopt;
    auto relative = reader.readTable("relative relocation", problem);
    if (!relative) return std::nullopt;
    auto absolute = reader.readTable("absolute relocation", problem);
    if (!absolute) return std::nullopt;
    return ParsedImage{code, *codeSize, std::move(*symbols), std::move(*relative), std::move(*absolute)};
}

// Compiled code runs in place, so its block must be executable as well as
// writable (it holds the program's static data too).
uint8_t* allocateCodeBlock(size_t size) {
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : static_cast<uint8_t*>(block);
}

// A relocation site lies inside the block; its offset is trusted to the
// compiler, so only sites that would leave the block are refused.
bool siteInside(int32_t offset, int32_t codeSize) {
    return offset >= 0 && offset <= codeSize - 4;
}

void addToSite(uint8_t* site, uint32_t amount) {
    uint32_t value;
    std::memcpy(&value, site, 4);
    value += amount;
    std::memcpy(site, &value, 4);
}

}  // namespace

LinkResult linkModuleImage(const uint8_t* image, size_t size, const RuntimeLinkTable& runtime) {
    LinkResult result;
    auto parsed = parseImage(image, size, result.problem);
    if (!parsed) return result;

    // Symbols are checked before any memory is taken for the code.
    auto outside = [&](const TableEntry& entry, const char* what) {
        result.problem = std::string(what) + " '" + entry.name + "' at offset " + std::to_string(entry.offset) +
                         " lies outside the " + std::to_string(parsed->codeSize) + " bytes of code";
        return result;
    };
    std::unordered_map<std::string, uint32_t> moduleTable;
    for (const TableEntry& symbol : parsed->symbols) {
        if (symbol.offset < 0 || symbol.offset >= parsed->codeSize) return outside(symbol, "module symbol");
    }
    for (const TableEntry& reloc : parsed->relative)
        if (!siteInside(reloc.offset, parsed->codeSize)) return outside(reloc, "the relocation site of");
    for (const TableEntry& reloc : parsed->absolute)
        if (!siteInside(reloc.offset, parsed->codeSize)) return outside(reloc, "the relocation site of");

    uint8_t* base = allocateCodeBlock(static_cast<size_t>(parsed->codeSize));
    if (base == nullptr) {
        result.problem = "no memory for " + std::to_string(parsed->codeSize) + " bytes of code";
        return result;
    }
    std::memcpy(base, parsed->code, static_cast<size_t>(parsed->codeSize));
    const uint32_t baseAddress = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base));
    for (const TableEntry& symbol : parsed->symbols)
        moduleTable[symbol.name] = baseAddress + static_cast<uint32_t>(symbol.offset);

    auto resolve = [&](const std::string& name) -> std::optional<uint32_t> {
        if (auto found = moduleTable.find(name); found != moduleTable.end()) return found->second;
        if (auto found = runtime.find(name); found != runtime.end()) return found->second;
        return std::nullopt;
    };
    auto patch = [&](const std::vector<TableEntry>& relocs, bool relative) {
        for (const TableEntry& reloc : relocs) {
            auto target = resolve(reloc.name);
            if (!target) {
                result.status = LinkResult::Status::missingSymbol;
                result.missingSymbol = reloc.name;
                return false;
            }
            uint8_t* site = base + reloc.offset;
            uint32_t siteAddress = baseAddress + static_cast<uint32_t>(reloc.offset);
            addToSite(site, relative ? *target - siteAddress : *target);
        }
        return true;
    };
    if (!patch(parsed->relative, true) || !patch(parsed->absolute, false)) {
        munmap(base, static_cast<size_t>(parsed->codeSize));
        return result;
    }
    result.status = LinkResult::Status::linked;
    result.code = base;
    return result;
}

std::string linkFailureMessage(const LinkResult& result) {
    if (result.status == LinkResult::Status::missingSymbol)
        return "Can't find symbol: " + result.missingSymbol;
    return "Unable to run Korva Basic module";
}

}  // namespace korva
