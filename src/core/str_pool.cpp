#include "core/str_pool.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/block_registry.h"

namespace korva {
namespace {

// Both rings have a sentinel node, so linking and unlinking never test for
// an empty list or an end.
struct StrPool {
    qyStr used;
    qyStr free;
    int32_t live;
};

constinit StrPool pool{
    {&pool.used, &pool.used, nullptr, 0, 0, {}},
    {&pool.free, &pool.free, nullptr, 0, 0, {}},
    0,
};

void makeEmptyRing(qyStr& sentinel) {
    sentinel.next = &sentinel;
    sentinel.prev = &sentinel;
}

void unlinkNode(qyStr* node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
}

void linkAtTail(qyStr* node, qyStr& sentinel) {
    node->prev = sentinel.prev;
    node->next = &sentinel;
    sentinel.prev->next = node;
    sentinel.prev = node;
}

// Nodes join the free ring in address order, so a fresh block hands them out
// front to back.
void addBlockToFreeRing() {
    auto* nodes = static_cast<qyStr*>(blockAllocate(kStrNodesPerBlock * sizeof(qyStr)));
    for (size_t i = 0; i < kStrNodesPerBlock; ++i) linkAtTail(&nodes[i], pool.free);
}

qyStr* takeEmptyNode() {
    if (pool.free.next == &pool.free) addBlockToFreeRing();
    qyStr* node = pool.free.next;
    unlinkNode(node);
    linkAtTail(node, pool.used);
    node->text = node->inlineText;
    node->length = 0;
    node->capacity = kStrInlineCapacity;
    node->inlineText[0] = '\0';
    ++pool.live;
    return node;
}

char* allocateText(size_t capacity) {
    if (capacity >= SIZE_MAX) failOutOfMemory();
    auto* storage = static_cast<char*>(std::malloc(capacity + 1));
    if (storage == nullptr) failOutOfMemory();
    return storage;
}

// Doubling keeps a run of appends (a text built in a loop) linear overall.
size_t grownCapacity(size_t current, size_t needed) {
    size_t doubled = current <= SIZE_MAX / 2 ? current * 2 : SIZE_MAX;
    return std::max(doubled, needed);
}

void freeText(qyStr* node) {
    if (node->text != node->inlineText) std::free(node->text);
}

}  // namespace

qyStr* strNew() {
    return takeEmptyNode();
}

qyStr* strFromBytes(const char* bytes, size_t length) {
    qyStr* node = takeEmptyNode();
    strAppend(node, bytes, length);
    return node;
}

qyStr* strFromText(const char* text) {
    return text != nullptr ? strFromBytes(text, std::strlen(text)) : strNew();
}

void strRelease(qyStr* str) {
    if (str == nullptr) return;
    freeText(str);
    --pool.live;
    unlinkNode(str);
    linkAtTail(str, pool.free);
}

void strAppend(qyStr* str, const char* bytes, size_t length) {
    if (length > SIZE_MAX - 1 - str->length) failOutOfMemory();
    size_t newLength = str->length + length;
    if (newLength > str->capacity) {
        // The old text stays valid until the bytes are copied: they may be
        // part of it.
        size_t capacity = grownCapacity(str->capacity, newLength);
        char* storage = allocateText(capacity);
        std::memcpy(storage, str->text, str->length);
        std::memcpy(storage + str->length, bytes, length);
        freeText(str);
        str->text = storage;
        str->capacity = capacity;
    } else if (length != 0) {
        std::memcpy(str->text + str->length, bytes, length);
    }
    str->length = newLength;
    str->text[newLength] = '\0';
}

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

}  // namespace korva
