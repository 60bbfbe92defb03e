// The basic module: the language core that compiled code calls directly.
#include <cstdint>

#include "core/block_registry.h"
#include "core/str_pool.h"
#include "core/string_routines.h"
#include "startup/declaration.h"

namespace korva {
namespace {

// Type-kind codes. Compiled code and type records point at these words and
// read the code from them.
const int32_t kIntTypeKind = 1;
const int32_t kFloatTypeKind = 2;
const int32_t kStrTypeKind = 3;
const int32_t kConstTextTypeKind = 4;

const Declaration kBasicDeclarations[] = {
    {"_qyIntType", &kIntTypeKind},
    {"_qyFltType", &kFloatTypeKind},
    {"_qyStrType", &kStrTypeKind},
    {"_qyCStrType", &kConstTextTypeKind},

    {"_qyStrLoad", routine(&qyStrLoad)},
    {"_qyStrRelease", routine(&qyStrRelease)},
    {"_qyStrStore", routine(&qyStrStore)},
    {"_qyStrCompare", routine(&qyStrCompare)},
    {"_qyStrConcat", routine(&qyStrConcat)},
    {"_qyStrToInt", routine(&qyStrToInt)},
    {"_qyStrFromInt", routine(&qyStrFromInt)},
    {"_qyStrToFloat", routine(&qyStrToFloat)},
    {"_qyStrFromFloat", routine(&qyStrFromFloat)},
    {"_qyStrConst", routine(&qyStrConst)},
};

bool basicCreate() {
    strPoolStart();
    return true;
}

// Every pool gives its nodes back before the registry frees the blocks
// they live in.
void basicDestroy() {
    strPoolStop();
    blockFreeAll();
}

}  // namespace

extern const ModuleDefinition basicModule{"basic", kBasicDeclarations, basicCreate, basicDestroy};

}  // namespace korva
