// The life of many objects of one user type as a program lives it: New them
// all, walk them with For Each, then delete them inside a For Each loop. Ours
// goes through the object routines compiled code calls; the reference keeps
// structs of the same size, made with new and freed with delete, in a
// std::list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <list>

#include "comparison.h"
#include "core/block_registry.h"
#include "core/object_routines.h"
#include "core/str_pool.h"

namespace {

using namespace korva;

constexpr int kObjects = 100000;

const int32_t kIntTypeWord = kIntKind;
const int32_t kFloatTypeWord = kFloatKind;

// Type Particle: x%, speed#, age%
struct ParticleType {
    qyObjType record;
    TypeRecord fields[3];

    ParticleType() : fields{&kIntTypeWord, &kFloatTypeWord, &kIntTypeWord} {
        record.kind = kObjectKind;
        record.used = {nullptr, &record.used, &record.used, nullptr, -1};
        record.free = {nullptr, &record.free, &record.free, nullptr, -1};
        record.fieldCount = 3;
    }
};

// The reference's particle: the same fields, padded to an object's size.
struct Particle {
    int32_t x;
    float speed;
    int32_t age;
    char header[sizeof(qyObj)];
};
static_assert(sizeof(Particle) == sizeof(qyObj) + 3 * sizeof(Word));

void BM_ObjLifecycle(benchmark::State& state) {
    strPoolStart();
    objectsStart();
    ParticleType particle;
    qyObj* each = nullptr;
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) qyObjNew(&particle.record)->fields[0].integer = i;
        int64_t sum = 0;
        for (int more = qyObjEachFirst(&each, &particle.record); more; more = qyObjEachNext(&each)) {
            sum += each->fields[0].integer;
        }
        for (int more = qyObjEachFirst(&each, &particle.record); more; more = qyObjEachNext(&each)) {
            qyObjDelete(each);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    objectsStop();
    strPoolStop();
    blockFreeAll();
}
BENCHMARK(BM_ObjLifecycle)->Unit(benchmark::kMicrosecond);

void BM_NewDeleteStdList(benchmark::State& state) {
    std::list<Particle*> particles;
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            auto* created = new Particle{};
            created->x = i;
            particles.push_back(created);
        }
        int64_t sum = 0;
        for (const Particle* each : particles) sum += each->x;
        for (auto it = particles.begin(); it != particles.end();) {
            delete *it;
            it = particles.erase(it);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_NewDeleteStdList)->Unit(benchmark::kMicrosecond);

}  // namespace

KORVA_COMPARISON("obj_lifecycle", "BM_ObjLifecycle", "BM_NewDeleteStdList");
