// The basic module: the language core that compiled code calls directly.
#include <cstdint>
#include <cstring>

#include "core/arithmetic.h"
#include "core/arrays.h"
#include "core/block_registry.h"
#include "core/data_statements.h"
#include "core/number_text.h"
#include "core/object_handles.h"
#include "core/object_routines.h"
#include "core/str_pool.h"
#include "core/string_routines.h"
#include "platform/platform_runtime.h"
#include "startup/declaration.h"

namespace korva {
namespace {

// Compiled code and type records point at these words and read the type-kind
// code from them.
const int32_t kIntTypeWord = kIntKind;
const int32_t kFloatTypeWord = kFloatKind;
const int32_t kStrTypeWord = kStrKind;
const int32_t kConstTextTypeWord = kConstTextKind;

// The labels form a column of fixed width, the counts follow directly.
constexpr size_t kStatsLabelLength = 16;

void logCount(PlatformRuntime& platform, const char (&label)[kStatsLabelLength + 1], int32_t count) {
    char line[kStatsLabelLength + kIntTextCapacity];
    std::memcpy(line, label, kStatsLabelLength);
    formatInt(count, line + kStatsLabelLength);
    platform.debugLog(line);
}

void cmdRuntimeStats() {
    PlatformRuntime* platform = PlatformRuntime::current();
    if (platform == nullptr) return;
    logCount(*platform, "Active strings :", liveStringCount());
    logCount(*platform, "Active objects :", activeObjectCount());
    logCount(*platform, "Unreleased objs:", unreleasedObjectCount());
}

const Declaration kBasicDeclarations[] = {
    {"_qyIntType", &kIntTypeWord},
    {"_qyFltType", &kFloatTypeWord},
    {"_qyStrType", &kStrTypeWord},
    {"_qyCStrType", &kConstTextTypeWord},

    {"_qyStrLoad", routine<qyStrLoad>},
    {"_qyStrRelease", routine<qyStrRelease>},
    {"_qyStrStore", routine<qyStrStore>},
    {"_qyStrCompare", routine<qyStrCompare>},
    {"_qyStrConcat", routine<qyStrConcat>},
    {"_qyStrToInt", routine<qyStrToInt>},
    {"_qyStrFromInt", routine<qyStrFromInt>},
    {"_qyStrToFloat", routine<qyStrToFloat>},
    {"_qyStrFromFloat", routine<qyStrFromFloat>},
    {"_qyStrConst", routine<qyStrConst>},

    {"_qyObjNew", routine<qyObjNew>},
    {"_qyObjDelete", routine<qyObjDelete>},
    {"_qyObjDeleteEach", routine<qyObjDeleteEach>},
    {"_qyObjRelease", routine<qyObjRelease>},
    {"_qyObjStore", routine<qyObjStore>},
    {"_qyObjCompare", routine<qyObjCompare>},
    {"_qyObjNext", routine<qyObjNext>},
    {"_qyObjPrev", routine<qyObjPrev>},
    {"_qyObjFirst", routine<qyObjFirst>},
    {"_qyObjLast", routine<qyObjLast>},
    {"_qyObjInsBefore", routine<qyObjInsBefore>},
    {"_qyObjInsAfter", routine<qyObjInsAfter>},
    {"_qyObjEachFirst", routine<qyObjEachFirst>},
    {"_qyObjEachNext", routine<qyObjEachNext>},
    {"_qyObjToStr", routine<qyObjToStr>},
    {"_qyObjToHandle", routine<qyObjToHandle>},
    {"_qyObjFromHandle", routine<qyObjFromHandle>},
    {"_qyNullObjEx", routine<qyNullObjEx>},
    {"RuntimeStats", routine<cmdRuntimeStats>},

    {"_qyDimArray", routine<qyDimArray>},
    {"_qyUndimArray", routine<qyUndimArray>},
    {"_qyArrayBoundsEx", routine<qyArrayBoundsEx>},
    {"_qyVecAlloc", routine<qyVecAlloc>},
    {"_qyVecFree", routine<qyVecFree>},
    {"_qyVecBoundsEx", routine<qyVecBoundsEx>},
    {"_qyRestore", routine<qyRestore>},
    {"_qyReadInt", routine<qyReadInt>},
    {"_qyReadFloat", routine<qyReadFloat>},
    {"_qyReadStr", routine<qyReadStr>},
    {"_qyAbs", routine<qyAbs>},
    {"_qySgn", routine<qySgn>},
    {"_qyMod", routine<qyMod>},
    {"_qyFAbs", routine<qyFAbs>},
    {"_qyFSgn", routine<qyFSgn>},
    {"_qyFMod", routine<qyFMod>},
    {"_qyFPow", routine<qyFPow>},
};

bool basicCreate() {
    strPoolStart();
    objectsStart();
    dataCursorReset();
    return true;
}

// Every pool gives its nodes back before the registry frees the blocks
// they live in. Objects are not deleted one by one: their blocks simply go.
void basicDestroy() {
    strPoolStop();
    objectsStop();
    blockFreeAll();
}

}  // namespace

extern const ModuleDefinition basicModule{"basic", kBasicDeclarations, basicCreate, basicDestroy};

}  // namespace korva
