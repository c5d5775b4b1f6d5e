// One InteriorPoint row (8 columns) through printIterativeDisplay into a captured
// console, against the same row formatted by snprintf into a buffer and written to the
// same console sink. Prints the time ratio and the heap allocations per row.
//
//   ./build/release/bench/display_bench
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "kaldor/testing/catalog.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "support/counting_new.hpp"

namespace {

struct Row {
    unsigned long iter;
    double v[6];
    const char* stepType;
};

std::vector<Row> makeRows() {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> exp10(-12, 6);
    const char* types[] = {"predictor", "corrector", "centering"};
    std::vector<Row> rows(64);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].iter = i;
        for (double& x : rows[i].v) x = mant(rng) * std::pow(10.0, exp10(rng));
        rows[i].stepType = types[i % 3];
    }
    return rows;
}

const std::vector<Row> kRows = makeRows();
constexpr std::size_t kClearEvery = 1024;  // keeps the capture buffer warm and bounded

void BM_DisplayRow(benchmark::State& state) {
    kaldor::testing::ConsoleCapture capture;
    for (std::size_t k = 0; k < kClearEvery; ++k) {  // grow the capture buffer outside the count
        const Row& r = kRows[k % kRows.size()];
        printIterativeDisplay(SolverName::InteriorPoint, false, false, 8UL, r.iter, r.v[0], r.v[1],
                              r.v[2], r.v[3], r.v[4], r.v[5], r.stepType);
    }
    capture.clear();
    std::size_t i = 0;
    std::size_t allocations = 0;
    for (auto _ : state) {
        const Row& r = kRows[i % kRows.size()];
        const std::size_t before = countedAllocations();
        printIterativeDisplay(SolverName::InteriorPoint, false, false, 8UL, r.iter, r.v[0], r.v[1],
                              r.v[2], r.v[3], r.v[4], r.v[5], r.stepType);
        allocations += countedAllocations() - before;
        if (++i % kClearEvery == 0) capture.clear();
    }
    state.counters["allocs_per_row"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void BM_SnprintfRow(benchmark::State& state) {
    kaldor::testing::ConsoleCapture capture;
    std::size_t i = 0;
    char line[256];
    for (auto _ : state) {
        const Row& r = kRows[i % kRows.size()];
        const int n = std::snprintf(
            line, sizeof line, "%5lu  %14.6e  %13.6e  %13.6e  %15.6e  %13.6e  %13.6e  %13s  \n",
            r.iter, r.v[0], r.v[1], r.v[2], r.v[3], r.v[4], r.v[5], r.stepType);
        kaldor::testing::writeConsoleBytes(line, static_cast<std::size_t>(n));
        if (++i % kClearEvery == 0) capture.clear();
    }
}

BENCHMARK(BM_DisplayRow);
BENCHMARK(BM_SnprintfRow);

// Console reporter that also remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Fetch the header texts once so that no run pays for the catalog.
    {
        kaldor::testing::ConsoleCapture quiet;
        printIterativeDisplay(SolverName::InteriorPoint, true, false, 0UL);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ours = reporter.times.find("BM_DisplayRow");
    const auto peer = reporter.times.find("BM_SnprintfRow");
    if (ours != reporter.times.end() && peer != reporter.times.end()) {
        std::printf(
            "\nInteriorPoint row: printIterativeDisplay / (snprintf + write) = %.2f (target <= "
            "2)\n",
            ours->second / peer->second);
    }
    benchmark::Shutdown();
    return 0;
}
