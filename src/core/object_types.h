// The records compiled code shares with the runtime: type-kind codes, user
// type records, objects, vector types and Dim array descriptors. Compiled code
// reads and writes these words directly, so every layout is fixed word by word
// and checked below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva {

// The first word of every type record. Field and element type pointers point
// at such a word.
enum TypeKind : int32_t {
    kIntKind = 1,
    kFloatKind = 2,
    kStrKind = 3,
    kConstTextKind = 4,
    kObjectKind = 5,
    kVectorKind = 6,
};

using TypeRecord = const int32_t*;  // points at a kind word

inline int32_t kindOf(TypeRecord record) { return *record; }

}  // namespace korva

struct qyStr;
struct qyObj;
struct qyObjType;

namespace korva {

// One 4-byte field, array element or vector element, read as its kind says.
union Word {
    int32_t integer;
    float real;
    qyStr* str;
    qyObj* object;
    Word* vector;  // a vector field's storage
};
static_assert(sizeof(Word) == 4);

}  // namespace korva

// An object header; the field values follow it directly. The two list
// sentinels of a type record have the same header with a null type.
struct qyObj {
    korva::Word* fields;  // the values after this header while the object exists; null once deleted
    qyObj* next;      // on the type's used list, or its free list once unreferenced
    qyObj* prev;
    qyObjType* type;  // null only in the sentinels
    int32_t refCount; // 1 for existence plus 1 per variable, field or element holding it
};

// A user type record (kind 5), emitted by the compiler. The field type
// pointers follow it directly.
struct qyObjType {
    int32_t kind;
    qyObj used;
    qyObj free;
    int32_t fieldCount;
};

// The type record of a fixed-size vector (kind 6).
struct qyVecType {
    int32_t kind;
    int32_t elementCount;
    korva::TypeRecord elementType;
};

// A Dim array descriptor, emitted by the compiler. The size words follow it
// directly: the highest index of each dimension before dimensioning, the
// running element counts afterwards.
struct qyArray {
    korva::Word* storage;  // null while not dimensioned
    int32_t elementKind;
    int32_t dimensionCount;
};

static_assert(sizeof(void*) == 4, "compiled code is 32-bit");
static_assert(sizeof(qyObj) == 5 * 4);
static_assert(offsetof(qyObj, refCount) == 4 * 4);
static_assert(offsetof(qyObjType, used) == 1 * 4);
static_assert(offsetof(qyObjType, free) == 6 * 4);
static_assert(offsetof(qyObjType, fieldCount) == 11 * 4);
static_assert(sizeof(qyObjType) == 12 * 4);
static_assert(sizeof(qyVecType) == 3 * 4);
static_assert(sizeof(qyArray) == 3 * 4);

namespace korva {

inline Word* fieldArea(qyObj* object) { return reinterpret_cast<Word*>(object + 1); }

inline const TypeRecord* fieldTypes(const qyObjType* type) {
    return reinterpret_cast<const TypeRecord*>(type + 1);
}

inline int32_t* sizeWords(qyArray* array) { return reinterpret_cast<int32_t*>(array + 1); }

}  // namespace korva
