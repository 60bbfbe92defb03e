// The landing the run loop sets for one program run. throwQyEx and the
// processor-fault handler leave the program by jumping here; runs may nest
// (a host calling execute from inside a command), each with its own landing.
#pragma once

#include <csetjmp>

namespace korva {

struct RunLanding {
    sigjmp_buf target;
    const char* endMessage = nullptr;     // the qyEx message: null for a quiet end
    const char* faultMessage = nullptr;   // set when a processor fault jumped here
    RunLanding* outer = nullptr;
};

// The innermost active landing, or null outside a run.
RunLanding* currentLanding();
void enterLanding(RunLanding& landing);
void leaveLanding(RunLanding& landing);

// Jump values a landing receives.
constexpr int kLandedByQyEx = 1;
constexpr int kLandedByFault = 2;

}  // namespace korva
