#include "core/object_routines.h"

#include "core/arrays.h"
#include "core/block_registry.h"
#include "core/object_handles.h"
#include "core/str_pool.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr int32_t kObjectsPerBlock = 512;

int32_t activeObjects = 0;
int32_t unreleasedObjects = 0;

void unlinkObject(qyObj* object) {
    object->prev->next = object->next;
    object->next->prev = object->prev;
}

void linkBefore(qyObj* object, qyObj* successor) {
    object->next = successor;
    object->prev = successor->prev;
    successor->prev->next = object;
    successor->prev = object;
}

void linkAfter(qyObj* object, qyObj* predecessor) {
    linkBefore(object, predecessor->next);
}

bool isSentinel(const qyObj* node) { return node->type == nullptr; }

// Deleted objects still held by variables stay on the used list; walks pass
// over them.
qyObj* liveFrom(qyObj* node, qyObj* qyObj::*step) {
    while (!isSentinel(node) && node->fields == nullptr) node = node->*step;
    return isSentinel(node) ? nullptr : node;
}

// A fresh block's objects join the free list in address order, so they are
// handed out front to back.
void addBlockToFreeList(qyObjType* type) {
    const size_t objectBytes = sizeof(qyObj) + sizeof(Word) * static_cast<size_t>(type->fieldCount);
    auto* block = static_cast<char*>(blockAllocate(objectBytes * kObjectsPerBlock));
    for (int32_t i = 0; i < kObjectsPerBlock; ++i) {
        linkBefore(reinterpret_cast<qyObj*>(block + objectBytes * i), &type->free);
    }
}

void initialiseFields(qyObjType* type, Word* fields) {
    const TypeRecord* types = fieldTypes(type);
    for (int32_t i = 0; i < type->fieldCount; ++i) {
        if (kindOf(types[i]) == kVectorKind) {
            fields[i].vector = qyVecAlloc(reinterpret_cast<const qyVecType*>(types[i]));
        } else {
            fields[i].integer = 0;
        }
    }
}

// Inlined into every routine that drops a reference: releases are as
// frequent as stores.
inline void dropReference(qyObj* object) {
    if (object == nullptr || --object->refCount != 0) return;
    unlinkObject(object);
    linkBefore(object, &object->type->free);
    --unreleasedObjects;
}

void releaseFields(const qyObjType* type, Word* fields) {
    const TypeRecord* types = fieldTypes(type);
    for (int32_t i = 0; i < type->fieldCount; ++i) {
        switch (kindOf(types[i])) {
            case kStrKind: strRelease(fields[i].str); break;
            case kObjectKind: dropReference(fields[i].object); break;
            case kVectorKind: qyVecFree(fields[i].vector, reinterpret_cast<const qyVecType*>(types[i])); break;
            default: break;
        }
    }
}

}  // namespace

qyObj* qyObjNew(qyObjType* type) {
    if (type->free.next == &type->free) addBlockToFreeList(type);
    qyObj* object = type->free.next;
    unlinkObject(object);
    object->type = type;
    object->refCount = 1;
    object->fields = fieldArea(object);
    initialiseFields(type, object->fields);
    ++activeObjects;
    ++unreleasedObjects;
    linkBefore(object, &type->used);
    return object;
}

void qyObjDelete(qyObj* object) {
    if (object == nullptr || object->fields == nullptr) return;
    releaseFields(object->type, object->fields);
    forgetHandle(object);
    object->fields = nullptr;
    dropReference(object);
    --activeObjects;
}

void qyObjDeleteEach(qyObjType* type) {
    qyObj* node = type->used.next;
    while (!isSentinel(node)) {
        qyObj* successor = node->next;
        qyObjDelete(node);
        node = successor;
    }
}

void qyObjRelease(qyObj* object) { dropReference(object); }

// The new object gains its reference first, so storing the object a variable
// already holds never frees it in between.
void qyObjStore(qyObj** variable, qyObj* object) {
    if (object != nullptr) ++object->refCount;
    dropReference(*variable);
    *variable = object;
}

int32_t qyObjCompare(qyObj* a, qyObj* b) {
    const Word* fieldsOfA = a != nullptr ? a->fields : nullptr;
    const Word* fieldsOfB = b != nullptr ? b->fields : nullptr;
    return fieldsOfA == fieldsOfB ? 0 : 1;
}

qyObj* qyObjNext(qyObj* object) { return liveFrom(object->next, &qyObj::next); }

qyObj* qyObjPrev(qyObj* object) { return liveFrom(object->prev, &qyObj::prev); }

qyObj* qyObjFirst(qyObjType* type) { return liveFrom(type->used.next, &qyObj::next); }

qyObj* qyObjLast(qyObjType* type) { return liveFrom(type->used.prev, &qyObj::prev); }

qyObj* qyObjInsBefore(qyObj* moved, qyObj* anchor) {
    if (moved == anchor) return moved;
    unlinkObject(moved);
    linkBefore(moved, anchor);
    return moved;
}

qyObj* qyObjInsAfter(qyObj* moved, qyObj* anchor) {
    if (moved == anchor) return moved;
    unlinkObject(moved);
    linkAfter(moved, anchor);
    return moved;
}

int32_t qyObjEachFirst(qyObj** variable, qyObjType* type) {
    qyObjStore(variable, qyObjFirst(type));
    return *variable != nullptr;
}

// The variable's object may have been deleted by the loop body; the variable's
// reference keeps it on the list until the successor is stored.
int32_t qyObjEachNext(qyObj** variable) {
    qyObjStore(variable, qyObjNext(*variable));
    return *variable != nullptr;
}

void qyNullObjEx() { raiseRuntimeError("Object does not exist"); }

int32_t activeObjectCount() { return activeObjects; }

int32_t unreleasedObjectCount() { return unreleasedObjects; }

void objectsStart() {
    activeObjects = 0;
    unreleasedObjects = 0;
    handlesReset();
}

// The objects themselves are not deleted one by one: their blocks go with the
// block registry.
void objectsStop() { handlesReset(); }

}  // namespace korva
