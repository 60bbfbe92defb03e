// The string commands. Most change their string argument in place and return
// that same node; the others release their string arguments. Positions are
// 1-based, counts in bytes, case mapping is plain ASCII.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

qyStr* cmdString(qyStr* string, int32_t repeat);
qyStr* cmdLeft(qyStr* string, int32_t count);
qyStr* cmdRight(qyStr* string, int32_t count);
qyStr* cmdReplace(qyStr* string, qyStr* from, qyStr* to);
int32_t cmdInstr(qyStr* string, qyStr* find, int32_t from);
qyStr* cmdMid(qyStr* string, int32_t start, int32_t count);
qyStr* cmdUpper(qyStr* string);
qyStr* cmdLower(qyStr* string);
qyStr* cmdTrim(qyStr* string);
qyStr* cmdLSet(qyStr* string, int32_t size);
qyStr* cmdRSet(qyStr* string, int32_t size);
qyStr* cmdChr(int32_t ascii);
int32_t cmdAsc(qyStr* string);
int32_t cmdLen(qyStr* string);
qyStr* cmdHex(int32_t value);
qyStr* cmdBin(int32_t value);
qyStr* cmdCurrentDate();
qyStr* cmdCurrentTime();

}  // namespace korva
