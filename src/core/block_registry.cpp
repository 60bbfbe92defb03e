#include "core/block_registry.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace korva {
namespace {

std::vector<void*>& registeredBlocks() {
    static std::vector<void*> blocks;
    return blocks;
}

}  // namespace

void failOutOfMemory() { throw std::bad_alloc(); }

void* blockAllocate(size_t bytes) {
    auto& blocks = registeredBlocks();
    blocks.push_back(nullptr);  // the registry grows first, so that a new block cannot leak
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        blocks.pop_back();
        failOutOfMemory();
    }
    blocks.back() = block;
    return block;
}

void blockFree(void* block) {
    if (block == nullptr) return;
    auto& blocks = registeredBlocks();
    // Storage freed explicitly is usually the most recently allocated, so the
    // search runs from the end.
    auto found = std::find(blocks.rbegin(), blocks.rend(), block);
    if (found == blocks.rend()) return;
    blocks.erase(std::next(found).base());
    std::free(block);
}

void blockFreeAll() {
    auto& blocks = registeredBlocks();
    while (!blocks.empty()) {
        std::free(blocks.back());
        blocks.pop_back();
    }
}

size_t blockCount() {
    return registeredBlocks().size();
}

}  // namespace korva
