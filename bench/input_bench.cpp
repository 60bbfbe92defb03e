// Polling input with an empty event queue, headless (SDL's dummy video
// driver), on a running platform runtime with its default window and input
// object. Ours: KeyDown, MouseX and JoyX of a missing port, each of which
// services the window's events first. Reference: SDL_PumpEvents and
// SDL_GetKeyboardState, the least a game loop polling SDL itself does.
// Both run 1000 polls per iteration in the same SDL state.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "comparison.h"
#include "graphics/display_commands.h"
#include "input/input_commands.h"
#include "platform/platform_runtime.h"

namespace {

using namespace korva;

constexpr int kPolls = 1000;

// Opened on first use and kept for the rest of the run, so that both sides
// see the same SDL subsystems.
bool runtimeOpen() {
    static const bool open = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        return PlatformRuntime::open("", nullptr) != nullptr && openDefaultDisplay() && openInputCommands();
    }();
    return open;
}

void BM_InputPoll(benchmark::State& state) {
    if (!runtimeOpen()) {
        state.SkipWithError("no runtime");
        return;
    }
    cmdJoyX(0);  // the controller subsystem starts on the first question
    for (auto _ : state) {
        int32_t sum = 0;
        for (int i = 0; i < kPolls; ++i)
            sum += cmdKeyDown(57) + cmdMouseX() + static_cast<int32_t>(cmdJoyX(0));
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_InputPoll);

void BM_SdlPumpEvents(benchmark::State& state) {
    if (!runtimeOpen()) {
        state.SkipWithError("no runtime");
        return;
    }
    cmdJoyX(0);
    for (auto _ : state) {
        int32_t sum = 0;
        for (int i = 0; i < kPolls; ++i) {
            SDL_PumpEvents();
            sum += SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_SPACE];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SdlPumpEvents);

}  // namespace

KORVA_COMPARISON("input_poll", "BM_InputPoll", "BM_SdlPumpEvents");
