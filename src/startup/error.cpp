#include "startup/error.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "platform/platform_runtime.h"
#include "startup/run_landing.h"

namespace korva {

bool debugMode = false;

namespace {
RunLanding* innermostLanding = nullptr;
}

RunLanding* currentLanding() { return innermostLanding; }

void enterLanding(RunLanding& landing) {
    landing.outer = innermostLanding;
    innermostLanding = &landing;
}

void leaveLanding(RunLanding& landing) { innermostLanding = landing.outer; }

void throwQyEx(const char* message) {
    RunLanding* landing = innermostLanding;
    if (landing == nullptr) {
        // Only the run loop may end a program; reaching here is a runtime bug.
        std::fprintf(stderr, "korva: program end requested outside a run%s%s\n", message ? ": " : "",
                     message ? message : "");
        std::abort();
    }
    landing->endMessage = message;  // already reported, kept for the run loop
    siglongjmp(landing->target, kLandedByQyEx);
}

void raiseRuntimeError(const char* message) {
    if (message != nullptr) {
        if (PlatformRuntime* platform = PlatformRuntime::current()) platform->debugError(message);
    }
    throwQyEx(message);
}

const char* messageOfCurrentException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::length_error&) {
        return "Out of memory";  // a size beyond what can be had at all
    } catch (...) {
        return "Unknown runtime exception";
    }
}

void idleOrEnd() {
    PlatformRuntime* platform = PlatformRuntime::current();
    if (platform != nullptr && !platform->idle()) throwQyEx(nullptr);
}

void delayOrEnd(int milliseconds) {
    PlatformRuntime* platform = PlatformRuntime::current();
    if (platform != nullptr && !platform->delay(milliseconds)) throwQyEx(nullptr);
}

}  // namespace korva
