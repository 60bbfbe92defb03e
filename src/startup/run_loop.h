#pragma once

#include <span>

#include "startup/declaration.h"
#include "startup/runtime_api.h"

namespace korva {

class PlatformRuntime;

// One program run inside an open PlatformRuntime: creates the modules in
// order, calls the entry, and whatever way the program ends (return, End,
// runtime error, processor fault, end request) destroys them in reverse.
void runProgram(PlatformRuntime& platform, EntryRoutine entry, std::span<const ModuleDefinition* const> modules);

}  // namespace korva
