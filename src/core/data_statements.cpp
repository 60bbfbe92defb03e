#include "core/data_statements.h"

#include <xmmintrin.h>

#include "core/number_text.h"
#include "core/object_types.h"
#include "core/string_routines.h"
#include "startup/error.h"

namespace korva {
namespace {

const DataEntry* cursor = nullptr;

// Truncation toward zero; a float beyond the integer range gives the
// processor's integer-indefinite value instead of undefined behaviour.
int32_t truncated(float value) { return _mm_cvtt_ss2si(_mm_set_ss(value)); }

// The entry to read, which must hold a value; raises without moving the
// cursor otherwise. A read before any Restore finds no data rather than
// reading through a null cursor.
const DataEntry& entryToRead() {
    if (cursor == nullptr || cursor->kind == 0) raiseRuntimeError("Out of data");
    if (cursor->kind != kIntKind && cursor->kind != kFloatKind && cursor->kind != kConstTextKind) {
        raiseRuntimeError("Bad data type");
    }
    return *cursor++;
}

}  // namespace

void qyRestore(const DataEntry* entry) { cursor = entry; }

int32_t qyReadInt() {
    const DataEntry& entry = entryToRead();
    switch (entry.kind) {
        case kIntKind: return entry.integer;
        case kFloatKind: return truncated(entry.real);
        default: return parseInt(entry.text);
    }
}

float qyReadFloat() {
    const DataEntry& entry = entryToRead();
    switch (entry.kind) {
        case kIntKind: return static_cast<float>(entry.integer);
        case kFloatKind: return entry.real;
        default: return parseFloat(entry.text);
    }
}

qyStr* qyReadStr() {
    const DataEntry& entry = entryToRead();
    switch (entry.kind) {
        case kIntKind: return qyStrFromInt(entry.integer);
        case kFloatKind: return qyStrFromFloat(entry.real);
        default: return strFromText(entry.text);
    }
}

void dataCursorReset() { cursor = nullptr; }

}  // namespace korva
