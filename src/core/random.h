// The language's random-number generator. Programs depend on its exact
// sequence (the same seed must replay the same game), so the multiplier, the
// start state and the way a state becomes a number are fixed.
#pragma once

#include <cstdint>

namespace korva {

// The multiplicative congruential generator state := 48271 * state mod
// (2^31 - 1). The 64-bit product is reduced by adding its bits above 31 to its
// low 31 bits (2^31 is 1 modulo the Mersenne prime 2^31 - 1): one
// multiplication per draw, where the overflow-free 32-bit evaluation needs a
// division and two multiplications.
class RandomGenerator {
public:
    static constexpr int32_t kStartState = 4660;

    void restart() { state_ = kStartState; }

    // Only the low 16 bits of a seed count; a seed of zero there would stick
    // the generator at zero, so it becomes 1.
    void seed(int32_t seed) {
        state_ = seed & 0xFFFF;
        if (state_ == 0) state_ = 1;
    }

    int32_t state() const { return state_; }

    // Advances the state and turns its low 16 bits into a value strictly
    // between 0 and 1: one of 65536 midpoints k/65536 + 1/131072, all exact
    // in a float.
    float nextUnit() {
        const uint64_t product = uint64_t{static_cast<uint32_t>(state_)} * kMultiplier;
        uint32_t next = static_cast<uint32_t>(product & kModulus) + static_cast<uint32_t>(product >> 31);
        // The sum is below twice the modulus and never equal to it (the
        // modulus is prime and the state never 0), so one subtraction reduces it.
        if (next >= kModulus) next -= kModulus;
        state_ = static_cast<int32_t>(next);
        return (static_cast<float>(next & 0xFFFF) + 0.5f) * (1.0f / 65536.0f);
    }

private:
    static constexpr uint32_t kModulus = 2147483647;
    static constexpr uint32_t kMultiplier = 48271;

    int32_t state_ = kStartState;
};

// The generator Rnd, Rand and SeedRnd share; the math module restarts it for
// every run.
extern RandomGenerator programRandom;

}  // namespace korva
