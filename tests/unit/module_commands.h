// Reaching a module's commands the way compiled code does: through the
// module's declaration table. Shared by the unit tests and the benchmarks.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "startup/declaration.h"

namespace korva {

extern const ModuleDefinition streamModule, socketsModule, filesystemModule, bankModule, graphicsModule;

template <class Function>
Function* commandOf(const ModuleDefinition& module, const char* declaration) {
    for (const Declaration& entry : module.declarations) {
        if (std::strcmp(entry.text, declaration) == 0)
            return reinterpret_cast<Function*>(const_cast<void*>(entry.address));
    }
    // A misspelt declaration is a fault of the caller's code, not a result.
    std::fprintf(stderr, "no declaration %s in module %s\n", declaration, module.name);
    std::abort();
}

}  // namespace korva
