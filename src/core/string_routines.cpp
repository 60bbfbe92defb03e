#include "core/string_routines.h"

#include <algorithm>
#include <cstring>

#include "core/number_text.h"

namespace korva {

qyStr* qyStrLoad(qyStr** variable) {
    return strCopy(*variable);
}

void qyStrRelease(qyStr* str) {
    strRelease(str);
}

// Storing the node a variable already holds must not free it under the
// variable.
void qyStrStore(qyStr** variable, qyStr* str) {
    if (*variable != str) strRelease(*variable);
    *variable = str;
}

namespace {

int32_t compareBytes(const qyStr* a, const qyStr* b) {
    size_t common = std::min(strLength(a), strLength(b));
    // memcmp compares as unsigned char, so byte 200 sorts after the letters.
    int order = std::memcmp(strText(a), strText(b), common);
    if (order != 0) return order < 0 ? -1 : 1;
    if (strLength(a) == strLength(b)) return 0;
    return strLength(a) < strLength(b) ? -1 : 1;
}

}  // namespace

int32_t qyStrCompare(qyStr* a, qyStr* b) {
    int32_t order = compareBytes(a, b);
    strRelease(a);
    strRelease(b);
    return order;
}

// Compiled code always passes a live node as a; a C program may pass null.
qyStr* qyStrConcat(qyStr* a, qyStr* b) {
    if (a == nullptr) return b != nullptr ? b : strNew();
    strAppend(a, strText(b), strLength(b));
    strRelease(b);
    return a;
}

int32_t qyStrToInt(qyStr* str) {
    int32_t value = parseInt(strText(str));
    strRelease(str);
    return value;
}

qyStr* qyStrFromInt(int32_t value) {
    char text[kIntTextCapacity];
    return strFromBytes(text, static_cast<size_t>(formatInt(value, text)));
}

float qyStrToFloat(qyStr* str) {
    float value = parseFloat(strText(str));
    strRelease(str);
    return value;
}

qyStr* qyStrFromFloat(float value) {
    char text[kFloatTextCapacity];
    return strFromBytes(text, static_cast<size_t>(formatFloat(value, text)));
}

qyStr* qyStrConst(const char* text) {
    return strFromText(text);
}

}  // namespace korva
