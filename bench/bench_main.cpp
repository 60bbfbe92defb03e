// korva-bench: Google Benchmark with its usual flags, followed by one
// "ratio NAME VALUE" line for every registered comparison whose two
// benchmarks both ran.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "comparison.h"

namespace korva::bench {

namespace {

std::vector<Comparison>& comparisons() {
    static std::vector<Comparison> registry;
    return registry;
}

// Shows the usual console table and remembers the real time per iteration of
// every benchmark: the average of its repetitions, or their mean when only
// aggregates are reported.
class TimingReporter : public benchmark::BenchmarkReporter {
public:
    explicit TimingReporter(benchmark::ConsoleReporter::OutputOptions options) : console_(options) {}

    bool ReportContext(const Context& context) override { return console_.ReportContext(context); }

    void ReportRuns(const std::vector<Run>& runs) override {
        console_.ReportRuns(runs);
        for (const Run& run : runs) record(run);
    }

    void Finalize() override { console_.Finalize(); }

    // Seconds of real time per iteration, or a negative value if it did not run.
    double secondsPerIteration(const std::string& name) const {
        auto found = timings_.find(name);
        if (found == timings_.end()) return -1;
        return found->second.seconds / found->second.runs;
    }

private:
    struct Timing {
        double seconds = 0;
        int runs = 0;
    };

    void record(const Run& run) {
        if (run.error_occurred) return;
        bool repetition = run.run_type == Run::RT_Iteration;
        if (!repetition && run.aggregate_name != "mean") return;
        Timing& timing = timings_[run.run_name.str()];
        if (!repetition && timing.runs > 0) return;
        timing.seconds += run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ++timing.runs;
    }

    benchmark::ConsoleReporter console_;
    std::map<std::string, Timing> timings_;
};

void printRatios(const TimingReporter& timings) {
    for (const Comparison& comparison : comparisons()) {
        double ours = timings.secondsPerIteration(comparison.ours);
        double reference = timings.secondsPerIteration(comparison.reference);
        if (ours <= 0 || reference <= 0) continue;
        std::printf("ratio %s %.2f\n", comparison.name, reference / ours);
    }
}

}  // namespace

bool registerComparison(const Comparison& comparison) {
    comparisons().push_back(comparison);
    return true;
}

}  // namespace korva::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    auto options = isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                         : benchmark::ConsoleReporter::OO_None;
    korva::bench::TimingReporter reporter(options);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    korva::bench::printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
