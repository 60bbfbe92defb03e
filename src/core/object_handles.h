// Small integer handles for user-type objects. Handles count up from 1 in each
// run and are never reused within it, so a stale handle can only ever yield
// null.
#pragma once

#include <cstdint>

#include "core/object_types.h"

namespace korva {

int32_t qyObjToHandle(qyObj* object);                   // 0 for null or deleted
qyObj* qyObjFromHandle(int32_t handle, qyObjType* type);  // null unless live and of that type

// Called when an object is deleted: its handle no longer leads anywhere.
void forgetHandle(qyObj* object);
void handlesReset();

}  // namespace korva
