// Pooled runtime strings. Compiled code and commands pass qyStr pointers; a
// null pointer is the empty string. Ownership is single: whoever holds a
// pointer either stores it or releases it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva {

inline constexpr size_t kStrNodeBytes = 64;
inline constexpr size_t kStrNodesPerBlock = 512;

}  // namespace korva

// One pool node. The node is also its list link, so taking a node from the
// free ring and putting it on the used ring is a handful of pointer moves.
// Texts that fit the inline buffer never touch the general allocator.
struct qyStr {
    qyStr* next;
    qyStr* prev;
    char* text;       // inlineText, or heap storage once the text outgrew it
    size_t length;
    size_t capacity;  // characters that fit before the terminating zero
    char inlineText[korva::kStrNodeBytes - 3 * sizeof(void*) - 2 * sizeof(size_t)];
};
static_assert(sizeof(qyStr) == korva::kStrNodeBytes);

namespace korva {

inline constexpr size_t kStrInlineCapacity = sizeof(qyStr::inlineText) - 1;

qyStr* strNew();
qyStr* strFromBytes(const char* bytes, size_t length);
qyStr* strFromText(const char* text);  // null gives an empty node
void strRelease(qyStr* str);           // null is ignored

inline const char* strText(const qyStr* str) {
    return str != nullptr ? str->text : "";
}

inline size_t strLength(const qyStr* str) {
    return str != nullptr ? str->length : 0;
}

// The bytes may lie inside str's own text.
void strAppend(qyStr* str, const char* bytes, size_t length);

int32_t liveStringCount();

// Pool lifetime, driven by the basic module. Stop releases every node still
// in use; the blocks themselves go with the block registry.
void strPoolStart();
void strPoolStop();

}  // namespace korva
