// The language's system commands: program control, window title, shell,
// time, environment, system information, timers and the debugger hooks.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/handle.h"
#include "core/str_pool.h"
#include "platform/clock.h"
#include "platform/platform_runtime.h"
#include "platform/system_info.h"
#include "startup/declaration.h"
#include "startup/error.h"
#include "startup/timer.h"

namespace korva {
namespace {

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

std::string asciiLowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// RuntimeError keeps its message here: the text must outlive the unwinding.
char runtimeErrorMessage[256];

void cmdEnd() { throwQyEx(nullptr); }

void cmdStop() {
    platform().stopNow();
    idleOrEnd();
}

void cmdAppTitle(qyStr* title, qyStr* closePrompt) {
    std::string titleText = strTake(title);
    platform().setTitle(titleText, strTake(closePrompt));
}

void cmdRuntimeError(qyStr* message) {
    const size_t length = std::min<size_t>(strLength(message), sizeof runtimeErrorMessage - 1);
    std::memcpy(runtimeErrorMessage, strText(message), length);
    runtimeErrorMessage[length] = '\0';
    strRelease(message);
    raiseRuntimeError(runtimeErrorMessage);
}

void cmdExecFile(qyStr* command) {
    platform().shellExecute(strTake(command));
    idleOrEnd();
}

void cmdDelay(int32_t milliseconds) { delayOrEnd(milliseconds); }

int32_t cmdMilliSecs() { return static_cast<int32_t>(milliClock()); }

qyStr* cmdCommandLine() { return strFromText(platform().commandLine().c_str()); }

qyStr* cmdSystemProperty(qyStr* property) {
    return strFromText(systemProperty(asciiLowered(strTake(property))).c_str());
}

qyStr* cmdGetEnv(qyStr* name) {
    const char* value = std::getenv(strTake(name).c_str());
    return strFromText(value != nullptr ? value : "");
}

// The environment is set from the one text "name=value", as a program
// written against a single-string interface expects.
void cmdSetEnv(qyStr* name, qyStr* value) {
    std::string assignment = strTake(name);
    assignment += '=';
    assignment += strTake(value);
    const size_t equals = assignment.find('=');
    setenv(assignment.substr(0, equals).c_str(), assignment.c_str() + equals + 1, 1);
}

int32_t cmdCreateTimer(int32_t hertz) {
    return handleOf(platform().createTimer(hertz));
}

int32_t cmdWaitTimer(int32_t timer) {
    const int32_t periods = objectOf<Timer>(timer)->wait();
    idleOrEnd();
    return periods;
}

void cmdFreeTimer(int32_t timer) { platform().freeTimer(objectOf<Timer>(timer)); }

void cmdDebugLog(qyStr* text) { platform().debugLog(strTake(text).c_str()); }

void qyDebugStmt(int32_t a, int32_t b) {
    platform().debugStmt(a, b);
    idleOrEnd();
}

void qyDebugEnter(int32_t a, int32_t b, int32_t c) { platform().debugEnter(a, b, c); }

void qyDebugLeave() { platform().debugLeave(); }

const Declaration kSystemDeclarations[] = {
    {"End", routine<cmdEnd>},
    {"Stop", routine<cmdStop>},
    {"AppTitle$title$close_prompt=\"\"", routine<cmdAppTitle>},
    {"RuntimeError$message", routine<cmdRuntimeError>},
    {"ExecFile$command", routine<cmdExecFile>},
    {"Delay%millisecs", routine<cmdDelay>},
    {"%MilliSecs", routine<cmdMilliSecs>},
    {"$CommandLine", routine<cmdCommandLine>},
    {"$SystemProperty$property", routine<cmdSystemProperty>},
    {"$GetEnv$env_var", routine<cmdGetEnv>},
    {"SetEnv$env_var$value", routine<cmdSetEnv>},
    {"%CreateTimer%hertz", routine<cmdCreateTimer>},
    {"%WaitTimer%timer", routine<cmdWaitTimer>},
    {"FreeTimer%timer", routine<cmdFreeTimer>},
    {"DebugLog$text", routine<cmdDebugLog>},
    {"_qyDebugStmt", routine<qyDebugStmt>},
    {"_qyDebugEnter", routine<qyDebugEnter>},
    {"_qyDebugLeave", routine<qyDebugLeave>},
};

}  // namespace

extern const ModuleDefinition systemModule{"system", kSystemDeclarations, nullptr, nullptr};

}  // namespace korva
