// Random floats as a game draws them: Rnd through the command compiled code
// calls, against the standard library's minimal-standard engine with a
// uniform float distribution over the same range. The reference is measured
// twice: inlined into the loop, and behind a call with the command's
// signature, which separates the generators from the price of the call.
#include <benchmark/benchmark.h>

#include <random>

#include "comparison.h"
#include "core/math_commands.h"
#include "core/random.h"

namespace {

using namespace korva;

constexpr int kDraws = 1000;
constexpr float kFrom = -50.0f;
constexpr float kTo = 50.0f;

template <class Draw>
void drawRepeatedly(benchmark::State& state, Draw draw) {
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < kDraws; ++i) sum += draw();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}

void BM_Rnd(benchmark::State& state) {
    programRandom.restart();
    drawRepeatedly(state, [] { return cmdRnd(kFrom, kTo); });
}
BENCHMARK(BM_Rnd);

void BM_MinstdUniformReal(benchmark::State& state) {
    std::minstd_rand engine(RandomGenerator::kStartState);
    std::uniform_real_distribution<float> distribution(kFrom, kTo);
    drawRepeatedly(state, [&] { return distribution(engine); });
}
BENCHMARK(BM_MinstdUniformReal);

std::minstd_rand calledEngine(RandomGenerator::kStartState);

// Kept out of line and out of interprocedural optimisation, as a command is.
[[gnu::noipa]] float minstdUniformReal(float from, float to) {
    return std::uniform_real_distribution<float>(from, to)(calledEngine);
}

void BM_MinstdUniformRealCalled(benchmark::State& state) {
    drawRepeatedly(state, [] { return minstdUniformReal(kFrom, kTo); });
}
BENCHMARK(BM_MinstdUniformRealCalled);

}  // namespace

KORVA_COMPARISON("rnd", "BM_Rnd", "BM_MinstdUniformReal");
KORVA_COMPARISON("rnd_called", "BM_Rnd", "BM_MinstdUniformRealCalled");
