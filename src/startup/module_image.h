// Loading and linking of a module image: the compiled program's code and data
// followed by its symbol table and two relocation tables.
//
// Layout (all integers 32-bit little-endian, nothing between fields, the last
// table ending exactly at the end of the image):
//   code size | code bytes | module symbols | relative relocs | absolute relocs
// Each table is a count followed by that many (zero-terminated name, offset)
// entries; a count of zero or less is an empty table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace korva {

// Link name -> address of the runtime's declarations.
using RuntimeLinkTable = std::unordered_map<std::string, uint32_t>;

struct LinkResult {
    enum class Status { linked, imageError, missingSymbol };
    Status status = Status::imageError;
    void* code = nullptr;          // the linked block (entry at offset 0) when linked
    std::string missingSymbol;     // the unresolved name for missingSymbol
    std::string problem;           // for imageError: what is wrong with the image, for developers
};

// Copies the image's code into a fresh executable block and patches it. The
// block is never freed: it lives as long as the process. Every read is
// checked against the image's size; anything structurally broken (truncated
// table, unterminated name, symbol outside the code) is an image error.
LinkResult linkModuleImage(const uint8_t* image, size_t size, const RuntimeLinkTable& runtime);

// The two messages a failed link shows (the image error's text is fixed:
// players see it; developers' tools add the problem on a line of their own).
std::string linkFailureMessage(const LinkResult& result);

}  // namespace korva
