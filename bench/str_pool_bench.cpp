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
#include "startup/declaration.h"

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

// The string routines called directly, and through the entries compiled code
// calls (stack realignment and exception barrier included).
struct DirectCalls {
    static constexpr auto load = qyStrLoad;
    static constexpr auto store = qyStrStore;
    static constexpr auto concat = qyStrConcat;
    static constexpr auto compare = qyStrCompare;
    static constexpr auto constant = qyStrConst;
};
struct EntryCalls {
    static constexpr auto load = declaration_detail::Entry<qyStrLoad>::call;
    static constexpr auto store = declaration_detail::Entry<qyStrStore>::call;
    static constexpr auto concat = declaration_detail::Entry<qyStrConcat>::call;
    static constexpr auto compare = declaration_detail::Entry<qyStrCompare>::call;
    static constexpr auto constant = declaration_detail::Entry<qyStrConst>::call;
};

// One pass over the names: Full$ = First$(i) + " " + Last$(i), then
// If Full$ < Best$ Then Best$ = Full$.
template <class Calls>
void strPoolWork(benchmark::State& state) {
    strPoolStart();
    std::array<qyStr*, kNames> first{};
    std::array<qyStr*, kNames> last{};
    for (size_t i = 0; i < kNames; ++i) {
        Calls::store(&first[i], Calls::constant(kFirstNames[i]));
        Calls::store(&last[i], Calls::constant(kLastNames[i]));
    }
    qyStr* full = nullptr;
    qyStr* best = Calls::constant("~");
    for (auto _ : state) {
        for (size_t i = 0; i < kNames; ++i) {
            qyStr* name = Calls::concat(Calls::load(&first[i]), Calls::constant(" "));
            Calls::store(&full, Calls::concat(name, Calls::load(&last[i])));
            if (Calls::compare(Calls::load(&full), Calls::load(&best)) < 0) Calls::store(&best, Calls::load(&full));
        }
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(state.iterations() * kNames);
    strPoolStop();
    blockFreeAll();
}

void BM_StrPool(benchmark::State& state) { strPoolWork<DirectCalls>(state); }
BENCHMARK(BM_StrPool);

void BM_StrPoolThroughEntries(benchmark::State& state) { strPoolWork<EntryCalls>(state); }
BENCHMARK(BM_StrPoolThroughEntries);

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
KORVA_COMPARISON("command_entry", "BM_StrPoolThroughEntries", "BM_StrPool");
