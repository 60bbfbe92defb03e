// Short-lived short strings as compiled code makes them: load, concatenate,
// compare, store, release. Ours goes through the pooled string routines; the
// reference does the same work on heap-allocated std::string objects held by
// pointer, as a program would hold them.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "comparison.h"
#include "core/block_registry.h"
#include "core/str_pool.h"
#include "core/string_routines.h"

namespace {

using namespace korva;

// Full names stay within std::string's inline capacity, so the reference
// pays one allocation per string, not two.
constexpr std::array kFirstNames{"Ann", "Bob", "Cleo", "Dan", "Eve", "Finn", "Gus", "Hal",
                                 "Ida", "Jon", "Kim", "Lou", "Mia", "Ned", "Ola", "Pat"};
constexpr std::array kLastNames{"Smith", "Jones", "Brown", "Meyer", "Novak", "Costa", "Kahn", "Lind",
                                "Moreau", "Berg", "Dahl", "Quist", "Rossi", "Sato", "Tan", "Ueda"};
constexpr size_t kNames = kFirstNames.size();
static_assert(kLastNames.size() == kNames);

// One pass over the names: Full$ = First$(i) + " " + Last$(i), then
// If Full$ < Best$ Then Best$ = Full$.
void BM_StrPool(benchmark::State& state) {
    strPoolStart();
    std::array<qyStr*, kNames> first{};
    std::array<qyStr*, kNames> last{};
    for (size_t i = 0; i < kNames; ++i) {
        qyStrStore(&first[i], qyStrConst(kFirstNames[i]));
        qyStrStore(&last[i], qyStrConst(kLastNames[i]));
    }
    qyStr* full = nullptr;
    qyStr* best = qyStrConst("~");
    for (auto _ : state) {
        for (size_t i = 0; i < kNames; ++i) {
            qyStr* name = qyStrConcat(qyStrLoad(&first[i]), qyStrConst(" "));
            qyStrStore(&full, qyStrConcat(name, qyStrLoad(&last[i])));
            if (qyStrCompare(qyStrLoad(&full), qyStrLoad(&best)) < 0) qyStrStore(&best, qyStrLoad(&full));
        }
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(state.iterations() * kNames);
    strPoolStop();
    blockFreeAll();
}
BENCHMARK(BM_StrPool);

void BM_StdStringHeap(benchmark::State& state) {
    std::array<std::string*, kNames> first{};
    std::array<std::string*, kNames> last{};
    for (size_t i = 0; i < kNames; ++i) {
        first[i] = new std::string(kFirstNames[i]);
        last[i] = new std::string(kLastNames[i]);
    }
    std::string* full = new std::string;
    std::string* best = new std::string("~");
    for (auto _ : state) {
        for (size_t i = 0; i < kNames; ++i) {
            std::string* name = new std::string(*first[i]);
            std::string* space = new std::string(" ");
            name->append(*space);
            delete space;
            std::string* surname = new std::string(*last[i]);
            name->append(*surname);
            delete surname;
            delete full;
            full = name;
            std::string* left = new std::string(*full);
            std::string* right = new std::string(*best);
            bool smaller = left->compare(*right) < 0;
            delete left;
            delete right;
            if (smaller) {
                delete best;
                best = new std::string(*full);
            }
        }
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(state.iterations() * kNames);
    for (size_t i = 0; i < kNames; ++i) {
        delete first[i];
        delete last[i];
    }
    delete full;
    delete best;
}
BENCHMARK(BM_StdStringHeap);

}  // namespace

KORVA_COMPARISON("str_pool", "BM_StrPool", "BM_StdStringHeap");
