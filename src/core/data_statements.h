// Data statements: a constant table in the module image, read in order
// through one cursor that only Restore moves anywhere but forward.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

// One table entry: a kind (0 end of data, 1 integer, 2 float bits, 4 pointer
// to a constant text) and its value. The end entry may lack the value word.
struct DataEntry {
    int32_t kind;
    union {
        int32_t integer;
        float real;
        const char* text;
    };
};
static_assert(sizeof(DataEntry) == 8);

void qyRestore(const DataEntry* entry);
int32_t qyReadInt();
float qyReadFloat();
qyStr* qyReadStr();

// A run starts with no table: reading before any Restore finds no data.
void dataCursorReset();

}  // namespace korva
