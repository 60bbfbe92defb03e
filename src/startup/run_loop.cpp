#include "startup/run_loop.h"

#include <string>

#include "platform/platform_runtime.h"
#include "startup/error.h"
#include "startup/run_landing.h"

namespace korva {
namespace {

// A module that cannot get the memory it needs fails to start like any other.
bool startModule(const ModuleDefinition& module) {
    if (module.create == nullptr) return true;
    try {
        return module.create();
    } catch (...) {
        return false;
    }
}

// Creates modules in order; on a failure reports it, destroys those already
// created and gives back how many are running (all or none).
size_t createModules(PlatformRuntime& platform, std::span<const ModuleDefinition* const> modules) {
    for (size_t i = 0; i < modules.size(); ++i) {
        const ModuleDefinition& module = *modules[i];
        if (startModule(module)) continue;
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
    }
    leaveLanding(landing);
    // The fault handler only records what happened; report it now that we
    // are back on the program's own stack, with the landing disarmed, so that
    // a fault while reporting (in a host's debugMsg, say) cannot land here and
    // report again forever.
    if (landed == kLandedByFault) platform.debugError(landing.faultMessage);
}

}  // namespace

void runProgram(PlatformRuntime& platform, EntryRoutine entry, std::span<const ModuleDefinition* const> modules) {
    if (createModules(platform, modules) != modules.size() && !modules.empty()) return;
    enterProgram(platform, entry);
    destroyModules(modules);
}

}  // namespace korva
