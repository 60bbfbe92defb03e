// User-type objects as compiled code uses them: each type keeps its live
// objects on one ordered list that programs walk and reorder, and objects are
// reference counted so that a deleted object still held by a variable stays
// recognisable as deleted until the last reference goes.
#pragma once

#include <cstdint>

#include "core/object_types.h"

namespace korva {

qyObj* qyObjNew(qyObjType* type);
void qyObjDelete(qyObj* object);             // null or already deleted: nothing
void qyObjDeleteEach(qyObjType* type);
void qyObjRelease(qyObj* object);            // drops one reference; null: nothing
void qyObjStore(qyObj** variable, qyObj* object);
int32_t qyObjCompare(qyObj* a, qyObj* b);    // 0 when both are the same live object or both gone
qyObj* qyObjNext(qyObj* object);             // live objects only; null at the end
qyObj* qyObjPrev(qyObj* object);
qyObj* qyObjFirst(qyObjType* type);
qyObj* qyObjLast(qyObjType* type);
qyObj* qyObjInsBefore(qyObj* moved, qyObj* anchor);
qyObj* qyObjInsAfter(qyObj* moved, qyObj* anchor);
int32_t qyObjEachFirst(qyObj** variable, qyObjType* type);
int32_t qyObjEachNext(qyObj** variable);
qyStr* qyObjToStr(qyObj* object);            // "[1,2.5,"hi"]"
[[noreturn]] void qyNullObjEx();

// Objects created and not yet deleted; objects whose storage is still held
// (live, or deleted but referenced).
int32_t activeObjectCount();
int32_t unreleasedObjectCount();

// Per-run state: the counters and the handles.
void objectsStart();
void objectsStop();

}  // namespace korva
