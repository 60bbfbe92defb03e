#include "startup/run_loop.h"

#include <string>

#include "platform/platform_runtime.h"
#include "startup/error.h"
#include "startup/run_landing.h"

namespace korva {
namespace {

// Creates modules in order; on a failure reports it, destroys those already
// created and gives back how many are running (all or none).
size_t createModules(PlatformRuntime& platform, std::span<const ModuleDefinition* const> modules) {
    for (size_t i = 0; i < modules.size(); ++i) {
        const ModuleDefinition& module = *modules[i];
        if (module.create == nullptr || module.create()) continue;
        const std::string report = std::string("Startup Error: ") + module.name + "_create failed";
        platform.debugInfo(report.c_str());
        while (i-- > 0)
            if (modules[i]->destroy != nullptr) modules[i]->destroy();
        return 0;
    }
    return modules.size();
}

void destroyModules(std::span<const ModuleDefinition* const> modules) {
    for (size_t i = modules.size(); i-- > 0;)
        if (modules[i]->destroy != nullptr) modules[i]->destroy();
}

// The only place a program is entered. Kept apart so that nothing that lives
// in a register across sigsetjmp is used after landing.
[[gnu::noinline]] void enterProgram(PlatformRuntime& platform, EntryRoutine entry) {
    RunLanding landing;
    enterLanding(landing);
    const int landed = sigsetjmp(landing.target, 1);
    if (landed == 0) {
        if (!platform.idle()) throwQyEx(nullptr);
        entry();
        platform.debugInfo("Program has ended");
    } else if (landed == kLandedByFault) {
        // The fault handler only records what happened; report it now that
        // we are back on the program's own stack.
        platform.debugError(landing.faultMessage);
    }
    leaveLanding(landing);
}

}  // namespace

void runProgram(PlatformRuntime& platform, EntryRoutine entry, std::span<const ModuleDefinition* const> modules) {
    if (createModules(platform, modules) != modules.size() && !modules.empty()) return;
    enterProgram(platform, entry);
    destroyModules(modules);
}

}  // namespace korva
