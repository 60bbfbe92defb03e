// Text commands on a 1 KB text, one program step per iteration: take a copy
// of the text, Replace a word by a longer one and another by a shorter one,
// cut it with Mid and search it with Instr. Ours runs the commands on pooled
// strings as compiled code calls them (the copy is the load of the variable,
// Instr consumes the text); the reference does the same on a std::string.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "comparison.h"
#include "core/block_registry.h"
#include "core/str_pool.h"
#include "core/string_commands.h"
#include "core/string_routines.h"

namespace {

using namespace korva;

std::string kilobyteOfText() {
    std::string text;
    while (text.size() < 1024) text += "The quick brown fox jumps over the lazy dog. ";
    text.resize(1024);
    return text;
}

constexpr int32_t kMidStart = 13;
constexpr int32_t kMidCount = 1000;
constexpr int32_t kInstrFrom = 10;

void BM_StrCommands(benchmark::State& state) {
    strPoolStart();
    const std::string source = kilobyteOfText();
    qyStr* variable = nullptr;
    qyStrStore(&variable, strFromBytes(source.data(), source.size()));
    for (auto _ : state) {
        qyStr* text = qyStrLoad(&variable);
        text = cmdReplace(text, qyStrConst("fox"), qyStrConst("wolf"));
        text = cmdReplace(text, qyStrConst("the "), qyStrConst(""));
        text = cmdMid(text, kMidStart, kMidCount);
        benchmark::DoNotOptimize(cmdInstr(text, qyStrConst("dog!"), kInstrFrom));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
    strPoolStop();
    blockFreeAll();
}
BENCHMARK(BM_StrCommands);

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

void BM_StdStringOperations(benchmark::State& state) {
    const std::string source = kilobyteOfText();
    for (auto _ : state) {
        std::string text = source;
        replaceAll(text, "fox", "wolf");
        replaceAll(text, "the ", "");
        text.erase(0, kMidStart - 1);
        if (text.size() > kMidCount) text.resize(kMidCount);
        const size_t found = text.find("dog!", kInstrFrom - 1);
        benchmark::DoNotOptimize(found == std::string::npos ? 0 : found + 1);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_StdStringOperations);

}  // namespace

KORVA_COMPARISON("str_commands", "BM_StrCommands", "BM_StdStringOperations");
