#include "startup/fault_translator.h"

#include <pthread.h>
#include <sys/ucontext.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "startup/run_landing.h"

namespace korva {
namespace {

// The handler runs on its own stack, so a fault caused by exhausting the
// program's stack can still be reported.
constexpr size_t kAlternateStackSize = 64 * 1024;
// A fault this close below (or just above) the stack pointer is the stack
// running into its guard area.
constexpr uintptr_t kStackGuardReach = 64 * 1024;

pthread_t programThread;

bool nearStackPointer(const siginfo_t* info, const void* context) {
    auto* ucontext = static_cast<const ucontext_t*>(context);
    const auto esp = static_cast<uintptr_t>(ucontext->uc_mcontext.gregs[REG_ESP]);
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    return address + kStackGuardReach >= esp && address <= esp + 256;
}

const char* messageFor(int signal, const siginfo_t* info, const void* context) {
    switch (signal) {
        case SIGSEGV:
        case SIGBUS:
            return nearStackPointer(info, context) ? "Stack overflow!" : "Illegal memory address";
        case SIGILL:
            return "Illegal instruction";
        case SIGFPE:
            return (info->si_code == FPE_INTDIV || info->si_code == FPE_INTOVF) ? "Integer divide by zero"
                                                                               : "Unknown runtime exception";
        default:
            return "Unknown runtime exception";
    }
}

void onFault(int signal, siginfo_t* info, void* context) {
    RunLanding* landing = currentLanding();
    if (landing == nullptr || !pthread_equal(pthread_self(), programThread)) {
        // Not the program's fault (another thread, or outside a run): let the
        // default action take the process down as it would have anyway.
        ::signal(signal, SIG_DFL);
        return;
    }
    landing->faultMessage = messageFor(signal, info, context);
    siglongjmp(landing->target, kLandedByFault);
}

}  // namespace

FaultTranslator::FaultTranslator() : alternateStack_(std::malloc(kAlternateStackSize)) {
    programThread = pthread_self();
    stack_t stack{};
    stack.ss_sp = alternateStack_;
    stack.ss_size = kAlternateStackSize;
    sigaltstack(&stack, &previousStack_);

    struct sigaction action{};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

FaultTranslator::~FaultTranslator() {
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    sigaltstack(&previousStack_, nullptr);
    std::free(alternateStack_);
}

}  // namespace korva
