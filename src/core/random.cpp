#include "core/random.h"

namespace korva {

constinit RandomGenerator programRandom;

}  // namespace korva
