// A development host driving the Runtime object in process: declarations,
// runs under its own Debugger, requests from another thread, and runs after
// processor faults.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "startup/fpu_control.h"
#include "startup/runtime_api.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;

// Records every notification as a line, and lets another thread wait for one.
class RecordingDebugger final : public Debugger {
public:
    void debugRun() override { record("run"); }
    void debugStop() override { record("stop"); }
    void debugStmt(int32_t a, int32_t b) override { record("stmt " + std::to_string(a) + " " + std::to_string(b)); }
    void debugEnter(int32_t a, int32_t b, int32_t c) override {
        record("enter " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
    }
    void debugLeave() override { record("leave"); }
    void debugLog(const char* text) override { record(std::string("log ") + text); }
    void debugMsg(const char* text, bool serious) override { record((serious ? "error " : "info ") + std::string(text)); }
    void debugSys(int32_t) override { record("sys"); }

    bool waitFor(const std::string& event) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return std::find(events_.begin(), events_.end(), event) != events_.end(); });
    }
    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    void record(const std::string& event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

Runtime& runtime() { return *runtimeGetRuntime(); }

std::vector<std::string> run(const std::string& name, const char* arguments) {
    RecordingDebugger debugger;
    runtime().execute(linkImage(name), arguments, &debugger);
    return debugger.events();
}

TEST(RuntimeHost, VersionAndDeclarationPasses) {
    EXPECT_EQ(runtime().version(), 178);
    std::vector<const char*> firstPass;
    while (const char* text = runtime().nextSym()) firstPass.push_back(text);
    ASSERT_GT(firstPass.size(), 18u);
    EXPECT_STREQ(firstPass[0], "End");
    // The pass is over: its texts are no longer known, and a new pass starts.
    EXPECT_EQ(runtime().symValue(firstPass[0]), -1);
    const char* first = runtime().nextSym();
    EXPECT_STREQ(first, "End");
    EXPECT_NE(runtime().symValue(first), -1);
    // Identity, not characters: a copy of the text is not a declaration.
    char copy[8];
    std::strcpy(copy, first);
    EXPECT_EQ(runtime().symValue(copy), -1);
    runtime().shutdown();
    EXPECT_EQ(runtime().symValue(first), -1);
}

TEST(RuntimeHost, RequestsWithoutAProgramDoNothing) {
    runtime().asyncStop();
    runtime().asyncRun();
    runtime().asyncEnd();
    EXPECT_EQ(run("faults", "0"), (std::vector<std::string>{"log before", "log after", "stop", "info Program has ended"}));
}

TEST(RuntimeHost, RequestsFromAnotherThreadWhileTheProgramWaits) {
    RecordingDebugger debugger;
    EntryRoutine entry = linkImage("delay_loop");
    std::thread host([&] {
        ASSERT_TRUE(debugger.waitFor("log waiting"));
        std::this_thread::sleep_for(50ms);
        runtime().asyncStop();
        ASSERT_TRUE(debugger.waitFor("stop"));
        runtime().asyncStop();  // already suspended: dropped
        runtime().asyncRun();
        ASSERT_TRUE(debugger.waitFor("run"));
        runtime().asyncRun();  // already running: dropped
        runtime().asyncEnd();
    });
    const auto started = std::chrono::steady_clock::now();
    runtime().execute(entry, "20000", &debugger);
    host.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
    EXPECT_EQ(debugger.events(), (std::vector<std::string>{"log waiting", "stop", "run"}));
}

TEST(RuntimeHost, StopWaitsForTheRunRequest) {
    RecordingDebugger debugger;
    EntryRoutine entry = linkImage("stop_resume");
    std::thread host([&] {
        ASSERT_TRUE(debugger.waitFor("stop"));
        runtime().asyncRun();
    });
    runtime().execute(entry, "", &debugger);
    host.join();
    EXPECT_EQ(debugger.events(),
              (std::vector<std::string>{"log stopping", "stop", "run", "log resumed", "stop", "info Program has ended"}));
}

TEST(RuntimeHost, FreshRunsAfterProcessorFaults) {
    EXPECT_EQ(run("faults", "1"), (std::vector<std::string>{"log before", "stop", "error Integer divide by zero"}));
    EXPECT_EQ(run("faults", "2"), (std::vector<std::string>{"log before", "stop", "error Illegal memory address"}));
    EXPECT_EQ(run("faults", "3"), (std::vector<std::string>{"log before", "stop", "error Stack overflow!"}));
    EXPECT_EQ(run("faults", "0"), (std::vector<std::string>{"log before", "log after", "stop", "info Program has ended"}));
    EXPECT_EQ(fpuControl(), kDoublePrecisionControl);
}

// A host whose debugMsg faults while a fault is being reported: the process
// dies of that fault instead of landing in the run and reporting forever.
class FaultingDebugger final : public QuietDebugger {
public:
    // A real fault, which the sanitizer build's null check must not stop first.
    __attribute__((no_sanitize("undefined"))) void debugMsg(const char*, bool) override { *nowhere = 0; }

private:
    static inline volatile int* volatile nowhere = nullptr;
};

TEST(RuntimeHostDeathTest, AFaultWhileReportingAFaultEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FaultingDebugger debugger;
            runtime().execute(linkImage("faults"), "2", &debugger);
        },
        testing::KilledBySignal(SIGSEGV), "");
}

// Headless, the close prompt is answered OK at once, so closing the window
// ends the program at its next idle, without a message.
TEST(RuntimeHost, ClosingTheWindowEndsTheProgram) {
    RecordingDebugger debugger;
    EntryRoutine entry = linkImage("close_prompt");
    std::thread user([&] {
        ASSERT_TRUE(debugger.waitFor("log waiting"));
        SDL_Event close{};
        close.type = SDL_QUIT;
        SDL_PushEvent(&close);
    });
    const auto started = std::chrono::steady_clock::now();
    runtime().execute(entry, "", &debugger);
    user.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
    EXPECT_EQ(debugger.events(), (std::vector<std::string>{"log waiting"}));
}

TEST(RuntimeHost, DebugHooksReachTheDebugger) {
    std::vector<std::string> events = run("system_commands", "");
    auto has = [&](const char* event) { return std::find(events.begin(), events.end(), event) != events.end(); };
    EXPECT_TRUE(has("enter 1 2 3"));
    EXPECT_TRUE(has("stmt 4 5"));
    EXPECT_TRUE(has("leave"));
}

}  // namespace
}  // namespace korva::test
