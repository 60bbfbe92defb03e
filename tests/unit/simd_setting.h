// Sets the process-wide SIMD switch for one scope, so that a test can run the
// same drawing through the SIMD routines and through the generic ones.
#pragma once

#include "graphics/blit_routines.h"

namespace korva {

class SimdSetting {
public:
    explicit SimdSetting(bool enabled) : previous_(simdEnabled()) { setSimdEnabled(enabled); }
    ~SimdSetting() { setSimdEnabled(previous_); }
    SimdSetting(const SimdSetting&) = delete;
    SimdSetting& operator=(const SimdSetting&) = delete;

private:
    bool previous_;
};

}  // namespace korva
