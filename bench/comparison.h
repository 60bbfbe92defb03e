// Pairs of benchmarks whose times korva-bench reports as one ratio: the
// reference's real time per iteration divided by ours, so a value above 1
// means our code is faster.
#pragma once

namespace korva::bench {

struct Comparison {
    const char* name;       // printed as "ratio NAME VALUE"
    const char* ours;       // full benchmark name, as in the results table
    const char* reference;
};

bool registerComparison(const Comparison& comparison);

}  // namespace korva::bench

#define KORVA_COMPARISON_JOIN2(a, b) a##b
#define KORVA_COMPARISON_JOIN(a, b) KORVA_COMPARISON_JOIN2(a, b)

// Registers a comparison from any bench source, at static initialisation.
#define KORVA_COMPARISON(name, ours, reference)                                     \
    [[maybe_unused]] static const bool KORVA_COMPARISON_JOIN(korvaComparison, __LINE__) = \
        ::korva::bench::registerComparison({name, ours, reference})
