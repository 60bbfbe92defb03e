// The string routines compiled code calls directly. Operands passed to them
// are consumed (released) unless the routine returns them; results are new
// nodes owned by the caller. A null operand reads as the empty string.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

qyStr* qyStrLoad(qyStr** variable);               // a copy; null gives an empty node
void qyStrRelease(qyStr* str);
void qyStrStore(qyStr** variable, qyStr* str);    // the variable takes ownership
int32_t qyStrCompare(qyStr* a, qyStr* b);         // unsigned bytes, a prefix is smaller
qyStr* qyStrConcat(qyStr* a, qyStr* b);           // b appended to a in place; a null a gives b
int32_t qyStrToInt(qyStr* str);
qyStr* qyStrFromInt(int32_t value);
float qyStrToFloat(qyStr* str);
qyStr* qyStrFromFloat(float value);
qyStr* qyStrConst(const char* text);

}  // namespace korva
