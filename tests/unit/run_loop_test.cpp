// Module start and stop around a program run, on the in-memory window system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/platform_runtime.h"
#include "startup/run_loop.h"

namespace korva {
namespace {

std::vector<std::string> journal;
const char* failingModule = nullptr;

class JournalDebugger final : public QuietDebugger {
public:
    void debugMsg(const char* text, bool serious) override {
        journal.push_back(std::string(serious ? "error " : "info ") + text);
    }
};

constexpr char kBasic[] = "basic", kMath[] = "math", kMultiplay[] = "multiplay";

// The failing module says so; multiplay fails by running out of memory.
template <const char* Name>
ModuleDefinition fakeModule() {
    return {Name,
            {},
            [] {
                journal.push_back(std::string("create ") + Name);
                const bool fails = failingModule != nullptr && std::string(failingModule) == Name;
                if (fails && Name == kMultiplay) throw std::bad_alloc();
                return !fails;
            },
            [] { journal.push_back(std::string("destroy ") + Name); }};
}

const ModuleDefinition basic = fakeModule<kBasic>(), math = fakeModule<kMath>(), multiplay = fakeModule<kMultiplay>();
const ModuleDefinition* const kModules[] = {&basic, &math, &multiplay};

void program() { journal.push_back("program"); }

std::vector<std::string> runWithFailure(const char* failing) {
    journal.clear();
    failingModule = failing;
    setenv("KORVA_WINDOW_SYSTEM", "null", 1);
    JournalDebugger debugger;
    PlatformRuntime* platform = PlatformRuntime::open("", &debugger);
    EXPECT_NE(platform, nullptr);
    EXPECT_EQ(PlatformRuntime::open("", &debugger), nullptr);  // only one at a time
    runProgram(*platform, program, kModules);
    PlatformRuntime::close(platform);
    unsetenv("KORVA_WINDOW_SYSTEM");
    return journal;
}

TEST(RunLoop, ModulesStartInOrderAndStopInReverse) {
    EXPECT_EQ(runWithFailure(nullptr),
              (std::vector<std::string>{"create basic", "create math", "create multiplay", "program",
                                        "info Program has ended", "destroy multiplay", "destroy math",
                                        "destroy basic"}));
}

TEST(RunLoop, AFailedModuleStopsTheStartAndTheProgramNeverRuns) {
    EXPECT_EQ(runWithFailure(kMath), (std::vector<std::string>{"create basic", "create math",
                                                               "info Startup Error: math_create failed",
                                                               "destroy basic"}));
    EXPECT_EQ(runWithFailure(kMultiplay),
              (std::vector<std::string>{"create basic", "create math", "create multiplay",
                                        "info Startup Error: multiplay_create failed", "destroy math",
                                        "destroy basic"}));
}

// A host may ask to end a run the moment it starts, before the window exists.
TEST(RunLoop, RequestsBeforeTheWindowExistsWaitForItDuringARun) {
    setenv("KORVA_WINDOW_SYSTEM", "null", 1);
    JournalDebugger debugger;
    PlatformRuntime::postRequest(WindowEvent::Kind::endRequest);  // no run: dropped
    PlatformRuntime* platform = PlatformRuntime::open("", &debugger);
    EXPECT_TRUE(platform->idle());
    PlatformRuntime::close(platform);

    PlatformRuntime::keepEarlyRequests(true);  // a run starts
    PlatformRuntime::postRequest(WindowEvent::Kind::endRequest);
    platform = PlatformRuntime::open("", &debugger);
    EXPECT_FALSE(platform->idle());
    PlatformRuntime::close(platform);
    PlatformRuntime::keepEarlyRequests(false);
    unsetenv("KORVA_WINDOW_SYSTEM");
}

}  // namespace
}  // namespace korva
