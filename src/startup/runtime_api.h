// The host-facing interface of the runtime: what a development host or the
// stand-alone entry obtains from runtimeGetRuntime(). Both interfaces are
// called by vtable position, so the order of the virtual functions is part of
// the binary interface. They have no virtual destructor on purpose: slot N is
// vtable entry N.
#pragma once

#include <cstdint>
#include <streambuf>

namespace korva {

// Implemented by a host and passed to Runtime::execute. Every call arrives on
// the program thread.
class Debugger {
public:
    virtual void debugRun() = 0;                          // a suspended program resumes
    virtual void debugStop() = 0;                         // the program was suspended
    virtual void debugStmt(int32_t a, int32_t b) = 0;     // compiled debug code reached a statement
    virtual void debugEnter(int32_t a, int32_t b, int32_t c) = 0;  // ... entered a function
    virtual void debugLeave() = 0;                        // ... left a function
    virtual void debugLog(const char* text) = 0;          // DebugLog and statistics lines
    virtual void debugMsg(const char* text, bool serious) = 0;  // runtime error or information
    virtual void debugSys(int32_t value) = 0;             // never called by the runtime

protected:
    ~Debugger() = default;
};

// A Debugger that ignores everything: hosts derive from it and override only
// the notifications they care about.
class QuietDebugger : public Debugger {
public:
    void debugRun() override {}
    void debugStop() override {}
    void debugStmt(int32_t, int32_t) override {}
    void debugEnter(int32_t, int32_t, int32_t) override {}
    void debugLeave() override {}
    void debugLog(const char*) override {}
    void debugMsg(const char*, bool) override {}
    void debugSys(int32_t) override {}

protected:
    ~QuietDebugger() = default;
};

using EntryRoutine = void (*)();

class Runtime {
public:
    virtual int32_t version() = 0;
    virtual const char* nextSym() = 0;
    virtual int32_t symValue(const char* declaration) = 0;
    virtual void startup(void* instance) = 0;
    virtual void shutdown() = 0;
    virtual void asyncStop() = 0;   // these three may be called from any thread
    virtual void asyncRun() = 0;
    virtual void asyncEnd() = 0;
    virtual void checkMem(std::streambuf* out) = 0;
    virtual void execute(EntryRoutine entry, const char* arguments, Debugger* debugger) = 0;

protected:
    ~Runtime() = default;
};

}  // namespace korva

extern "C" korva::Runtime* runtimeGetRuntime();
