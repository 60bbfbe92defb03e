// The math module: trigonometry, logarithms, rounding and random numbers.
#include "core/math_commands.h"
#include "core/random.h"
#include "startup/declaration.h"

namespace korva {
namespace {

const Declaration kMathDeclarations[] = {
    {"#Sin#degrees", routine<cmdSin>},
    {"#Cos#degrees", routine<cmdCos>},
    {"#Tan#degrees", routine<cmdTan>},
    {"#ASin#float", routine<cmdASin>},
    {"#ACos#float", routine<cmdACos>},
    {"#ATan#float", routine<cmdATan>},
    {"#ATan2#floata#floatb", routine<cmdATan2>},
    {"#Sqr#float", routine<cmdSqr>},
    {"#Floor#float", routine<cmdFloor>},
    {"#Ceil#float", routine<cmdCeil>},
    {"#Exp#float", routine<cmdExp>},
    {"#Log#float", routine<cmdLog>},
    {"#Log10#float", routine<cmdLog10>},
    {"#Rnd#from#to=0", routine<cmdRnd>},
    {"%Rand%from%to=1", routine<cmdRand>},
    {"SeedRnd%seed", routine<cmdSeedRnd>},
};

// Every run starts the generator afresh, so a program that never seeds it
// draws the same numbers each time.
bool mathCreate() {
    programRandom.restart();
    return true;
}

}  // namespace

extern const ModuleDefinition mathModule{"math", kMathDeclarations, mathCreate, nullptr};

}  // namespace korva
