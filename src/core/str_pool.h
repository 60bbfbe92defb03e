// Pooled runtime strings. Compiled code and commands pass qyStr pointers; a
// null pointer is the empty string. Ownership is single: whoever holds a
// pointer either stores it or releases it.
//
// Every expression on strings makes temporaries, so taking and releasing a
// node, and copying or appending a text that fits the node's inline buffer,
// are inline here: a few pointer moves and one short copy, no call into the
// general allocator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <cstdlib>
#include <cstring>

namespace korva {

inline constexpr size_t kStrNodeBytes = 64;
inline constexpr size_t kStrNodesPerBlock = 512;

}  // namespace korva

// One pool node, which is also its own link in the used or the free ring.
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

namespace str_pool_detail {

// Both rings have a sentinel node, so linking and unlinking never test for
// an empty list or an end.
struct StrPool {
    qyStr used;
    qyStr free;
    int32_t live;
};
extern StrPool pool;

void addBlockToFreeRing();
void appendGrowingText(qyStr* str, const char* bytes, size_t length);

inline void unlinkNode(qyStr* node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
}

inline void linkAtTail(qyStr* node, qyStr& sentinel) {
    node->prev = sentinel.prev;
    node->next = &sentinel;
    sentinel.prev->next = node;
    sentinel.prev = node;
}

// A node whose text lives in its inline buffer; the text itself is not set.
inline qyStr* takeInlineNode(size_t length) {
    if (pool.free.next == &pool.free) addBlockToFreeRing();
    qyStr* node = pool.free.next;
    unlinkNode(node);
    linkAtTail(node, pool.used);
    node->text = node->inlineText;
    node->length = length;
    node->capacity = kStrInlineCapacity;
    ++pool.live;
    return node;
}

}  // namespace str_pool_detail

inline const char* strText(const qyStr* str) {
    return str != nullptr ? str->text : "";
}

inline size_t strLength(const qyStr* str) {
    return str != nullptr ? str->length : 0;
}

inline qyStr* strNew() {
    qyStr* node = str_pool_detail::takeInlineNode(0);
    node->inlineText[0] = '\0';
    return node;
}

// The bytes may lie inside str's own text.
inline void strAppend(qyStr* str, const char* bytes, size_t length) {
    if (length > str->capacity - str->length) {
        str_pool_detail::appendGrowingText(str, bytes, length);
        return;
    }
    std::memcpy(str->text + str->length, bytes, length);
    str->length += length;
    str->text[str->length] = '\0';
}

inline qyStr* strFromBytes(const char* bytes, size_t length) {
    qyStr* node = strNew();
    strAppend(node, bytes, length);
    return node;
}

// Null gives an empty node.
inline qyStr* strFromText(const char* text) {
    return text != nullptr ? strFromBytes(text, std::strlen(text)) : strNew();
}

// A new node with the same text; null gives an empty node. An inline text is
// copied as the whole fixed-size buffer, which needs no length-dependent copy.
inline qyStr* strCopy(const qyStr* source) {
    if (source == nullptr || source->text != source->inlineText) {
        return strFromBytes(strText(source), strLength(source));
    }
    qyStr* node = str_pool_detail::takeInlineNode(source->length);
    std::memcpy(node->inlineText, source->inlineText, sizeof node->inlineText);
    return node;
}

// Null is ignored.
inline void strRelease(qyStr* str) {
    using namespace str_pool_detail;
    if (str == nullptr) return;
    if (str->text != str->inlineText) std::free(str->text);
    --pool.live;
    unlinkNode(str);
    linkAtTail(str, pool.free);
}

// The text as bytes (null reads as empty); valid while the node lives.
inline std::string_view strView(const qyStr* str) { return {strText(str), strLength(str)}; }

// A copy of a string argument's text; the argument, which the command owns,
// is released.
std::string strTake(qyStr* str);

int32_t liveStringCount();

// Pool lifetime, driven by the basic module. Stop releases every node still
// in use; the blocks themselves go with the block registry.
void strPoolStart();
void strPoolStop();

}  // namespace korva
