// Turns processor faults in compiled code (or in a command) into runtime
// errors. Installed for the whole of one execute; the previous handlers are
// put back when it ends.
#pragma once

#include <csignal>

namespace korva {

class FaultTranslator {
public:
    FaultTranslator();   // installs handlers and an alternate signal stack
    ~FaultTranslator();  // restores what was there before
    FaultTranslator(const FaultTranslator&) = delete;
    FaultTranslator& operator=(const FaultTranslator&) = delete;

    static constexpr int kHandledSignals = 5;  // SIGSEGV SIGBUS SIGILL SIGFPE SIGTRAP

private:
    struct sigaction previous_[kHandledSignals];
    stack_t previousStack_;
    void* alternateStack_;
};

}  // namespace korva
