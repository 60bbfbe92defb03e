// The exported Runtime object: declarations for hosts, the asynchronous
// requests and the frame around one program run.
#include <string>

#include "platform/platform_runtime.h"
#include "platform/window_system.h"
#include "startup/declaration_table.h"
#include "startup/error.h"
#include "startup/fault_translator.h"
#include "startup/fpu_control.h"
#include "startup/run_loop.h"
#include "startup/runtime_api.h"

namespace korva {
namespace {

constexpr int32_t kRuntimeVersion = 178;

// The Debugger of a run without a host: serious messages are shown in an
// "Error!" box, everything else goes nowhere.
class DefaultDebugger final : public QuietDebugger {
public:
    void debugMsg(const char* text, bool serious) override {
        if (serious) showMessageBox("Error!", text);
    }
};

std::string trimSpaces(const char* text) {
    std::string trimmed = text != nullptr ? text : "";
    trimmed.erase(0, trimmed.find_first_not_of(' '));
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    return trimmed;
}

class RuntimeObject final : public Runtime {
public:
    int32_t version() override { return kRuntimeVersion; }
    const char* nextSym() override { return declarations_.next(); }
    int32_t symValue(const char* declaration) override { return declarations_.valueOf(declaration); }
    // The module handle served window classes and input devices elsewhere;
    // nothing here needs it.
    void startup(void*) override {}
    void shutdown() override { declarations_.clear(); }
    void asyncStop() override { PlatformRuntime::postRequest(WindowEvent::Kind::stopRequest); }
    void asyncRun() override { PlatformRuntime::postRequest(WindowEvent::Kind::runRequest); }
    void asyncEnd() override { PlatformRuntime::postRequest(WindowEvent::Kind::endRequest); }

    // The memory report writes nothing into the host's stream: nothing is
    // tracked beyond the pools' own counters (RuntimeStats shows those).
    void checkMem(std::streambuf*) override {}

    void execute(EntryRoutine entry, const char* arguments, Debugger* host) override {
        DefaultDebugger fallback;
        const bool outerDebugMode = debugMode;
        debugMode = host != nullptr;
        Debugger* debugger = host != nullptr ? host : &fallback;
        PlatformRuntime::keepEarlyRequests(true);
        {
            FaultTranslator faults;
            setFpuControl(kSinglePrecisionControl);
            if (PlatformRuntime* platform = PlatformRuntime::open(trimSpaces(arguments), debugger)) {
                runProgram(*platform, entry, startOrder());
                PlatformRuntime::close(platform);
            }
            setFpuControl(kDoublePrecisionControl);
        }
        PlatformRuntime::keepEarlyRequests(false);
        debugMode = outerDebugMode;
    }

private:
    DeclarationTable declarations_;
};

}  // namespace
}  // namespace korva

extern "C" __attribute__((visibility("default"))) korva::Runtime* runtimeGetRuntime() {
    static korva::RuntimeObject runtime;
    return &runtime;
}
