#include "startup/fault_translator.h"

#include <pthread.h>
#include <sys/ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>

#include "startup/run_landing.h"

namespace korva {
namespace {

// The handler runs on its own stack, so a fault caused by exhausting the
// program's stack can still be reported.
constexpr size_t kAlternateStackSize = 64 * 1024;
// A fault this close below (or just above) the stack pointer is the stack
// running into its guard area.
constexpr uintptr_t kStackGuardReach = 64 * 1024;

// Processor exception numbers, as the kernel reports them in the context.
constexpr int kBreakpointTrap = 3;
constexpr int kOverflowTrap = 4;           // INTO
constexpr int kBoundRangeFault = 5;        // BOUND
constexpr int kGeneralProtectionFault = 13;

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};
static_assert(std::size(kSignals) == FaultTranslator::kHandledSignals);

pthread_t programThread;
pid_t programProcess;

const ucontext_t& contextOf(const void* context) { return *static_cast<const ucontext_t*>(context); }

int trapNumber(const void* context) { return contextOf(context).uc_mcontext.gregs[REG_TRAPNO]; }

bool nearStackPointer(const siginfo_t* info, const void* context) {
    const auto esp = static_cast<uintptr_t>(contextOf(context).uc_mcontext.gregs[REG_ESP]);
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    return address + kStackGuardReach >= esp && address <= esp + 256;
}

bool isPrefix(uint8_t byte) {
    switch (byte) {
        case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
        case 0x66: case 0x67: case 0xF2: case 0xF3:
            return true;
        default:
            return false;
    }
}

// Instructions only the kernel may run (HLT, CLI, STI, port I/O, control and
// model-specific registers). A protection fault raised by one of them is a
// privileged-instruction exception; any other is a bad memory access. The
// bytes are readable: the processor has just decoded them.
bool isPrivilegedInstruction(const void* context) {
    auto* code = reinterpret_cast<const uint8_t*>(contextOf(context).uc_mcontext.gregs[REG_EIP]);
    for (int prefixes = 0; prefixes < 4 && isPrefix(*code); ++prefixes) ++code;
    const uint8_t op = code[0];
    if (op == 0xF4 || op == 0xFA || op == 0xFB) return true;                    // HLT CLI STI
    if ((op >= 0xE4 && op <= 0xE7) || (op >= 0xEC && op <= 0xEF)) return true;  // IN OUT
    if (op >= 0x6C && op <= 0x6F) return true;                                  // INS OUTS
    if (op != 0x0F) return false;
    const uint8_t op2 = code[1];
    return op2 == 0x06 || op2 == 0x08 || op2 == 0x09 || (op2 >= 0x20 && op2 <= 0x23) || op2 == 0x30 ||
           op2 == 0x32;  // CLTS INVD WBINVD, MOV to/from CR/DR, WRMSR RDMSR
}

const char* segmentationMessage(const siginfo_t* info, const void* context) {
    switch (trapNumber(context)) {
        case kOverflowTrap:
        case kBoundRangeFault:
            return "Unknown runtime exception";
        case kGeneralProtectionFault:
            return isPrivilegedInstruction(context) ? "Unknown runtime exception" : "Illegal memory address";
        default:
            return nearStackPointer(info, context) ? "Stack overflow!" : "Illegal memory address";
    }
}

const char* messageFor(int signal, const siginfo_t* info, const void* context) {
    switch (signal) {
        case SIGSEGV:
            return segmentationMessage(info, context);
        case SIGBUS:
            return info->si_code == BUS_ADRALN ? "Unknown runtime exception" : "Illegal memory address";
        case SIGILL:
            return "Illegal instruction";
        case SIGFPE:
            return (info->si_code == FPE_INTDIV || info->si_code == FPE_INTOVF) ? "Integer divide by zero"
                                                                               : "Unknown runtime exception";
        default:
            return "Unknown runtime exception";
    }
}

// Traps report the instruction after the one that raised them, so returning
// from the handler would not raise them again.
bool isTrap(int signal, const siginfo_t* info, const void* context) {
    if (signal == SIGTRAP || info->si_code <= 0) return true;  // a trap, or sent by someone
    return signal == SIGSEGV && trapNumber(context) == kOverflowTrap;
}

void onFault(int signal, siginfo_t* info, void* context);

bool ourHandlerIsInstalled(int signal) {
    struct sigaction current{};
    sigaction(signal, nullptr, &current);
    return (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == onFault;
}

// Not the program's fault (another thread, another process sharing this
// memory, or outside a run): the signal takes its default course.
void passOn(int signal, const siginfo_t* info, const void* context) {
    ::signal(signal, SIG_DFL);
    if (isTrap(signal, info, context)) raise(signal);
}

void onFault(int signal, siginfo_t* info, void* context) {
    RunLanding* landing = currentLanding();
    if (landing == nullptr || getpid() != programProcess || !pthread_equal(pthread_self(), programThread))
        return passOn(signal, info, context);
    landing->faultMessage = messageFor(signal, info, context);
    siglongjmp(landing->target, kLandedByFault);
}

// A child forked while a program runs (by a library, or by the program
// through an external library) has no run to land in: it gets the default
// dispositions back before it runs anything.
void resetInChild() {
    for (int signal : kSignals)
        if (ourHandlerIsInstalled(signal)) ::signal(signal, SIG_DFL);
}

}  // namespace

FaultTranslator::FaultTranslator() : alternateStack_(std::malloc(kAlternateStackSize)) {
    static std::once_flag childReset;
    std::call_once(childReset, [] { pthread_atfork(nullptr, nullptr, resetInChild); });
    programThread = pthread_self();
    programProcess = getpid();
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
