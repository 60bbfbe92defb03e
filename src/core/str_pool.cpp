#include "core/str_pool.h"

#include <algorithm>
#include <cstdlib>

#include "core/block_registry.h"

namespace korva {
namespace str_pool_detail {

constinit StrPool pool{
    {&pool.used, &pool.used, nullptr, 0, 0, {}},
    {&pool.free, &pool.free, nullptr, 0, 0, {}},
    0,
};

namespace {

void makeEmptyRing(qyStr& sentinel) {
    sentinel.next = &sentinel;
    sentinel.prev = &sentinel;
}

char* allocateText(size_t capacity) {
    if (capacity >= SIZE_MAX) failOutOfMemory();
    auto* storage = static_cast<char*>(std::malloc(capacity + 1));
    if (storage == nullptr) failOutOfMemory();
    return storage;
}

// Doubling keeps a text built up by many appends linear in its length.
size_t grownCapacity(size_t current, size_t needed) {
    size_t doubled = current <= SIZE_MAX / 2 ? current * 2 : SIZE_MAX;
    return std::max(doubled, needed);
}

}  // namespace

// Nodes join the free ring in address order, so a fresh block hands them out
// front to back.
void addBlockToFreeRing() {
    auto* nodes = static_cast<qyStr*>(blockAllocate(kStrNodesPerBlock * sizeof(qyStr)));
    for (size_t i = 0; i < kStrNodesPerBlock; ++i) linkAtTail(&nodes[i], pool.free);
}

void appendGrowingText(qyStr* str, const char* bytes, size_t length) {
    if (length > SIZE_MAX - 1 - str->length) failOutOfMemory();
    size_t newLength = str->length + length;
    size_t capacity = grownCapacity(str->capacity, newLength);
    char* storage = allocateText(capacity);
    // The old text is freed only after the copy: the bytes may be part of it.
    std::memcpy(storage, str->text, str->length);
    std::memcpy(storage + str->length, bytes, length);
    storage[newLength] = '\0';
    if (str->text != str->inlineText) std::free(str->text);
    str->text = storage;
    str->length = newLength;
    str->capacity = capacity;
}

}  // namespace str_pool_detail

using namespace str_pool_detail;

int32_t liveStringCount() {
    return pool.live;
}

void strPoolStart() {
    makeEmptyRing(pool.used);
    makeEmptyRing(pool.free);
    pool.live = 0;
}

// The rings are emptied afterwards because the blocks holding the free nodes
// are about to be freed by the block registry.
void strPoolStop() {
    while (pool.used.next != &pool.used) strRelease(pool.used.next);
    makeEmptyRing(pool.used);
    makeEmptyRing(pool.free);
}

std::string strTake(qyStr* str) {
    std::string text(strView(str));
    strRelease(str);
    return text;
}

}  // namespace korva
