// Presolve gateways on a sparse matrix with 10^7 stored entries, against the cheapest
// pass that touches the same storage: one streaming loop that sums the values and builds
// the row-index histogram. Prints each gateway's time as a ratio to that pass.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kaldor/testing/services.hpp"
#include "solvutil/presolve/presolve.hpp"

namespace {

// 10^7 stored entries in 10^6 columns; the row count (the benchmark argument) decides
// whether the per-row sums stay in the 1 MiB L2 cache (50 000 rows) or spill to L3
// (200 000 rows, 1 000 000 rows).
constexpr std::size_t kCols = 1000000;
constexpr std::size_t kPerColumn = 10;

struct Problem {
    kxarray::kxArrayPtr A, lb, ub;
};

const Problem& problem(std::size_t rowCount) {
    static std::map<std::size_t, Problem> cache;
    auto found = cache.find(rowCount);
    if (found != cache.end()) return found->second;
    Problem& q = cache[rowCount];
    {
        q.A.reset(kaldor::testing::createSparseArray(rowCount, kCols, kCols * kPerColumn));
        std::mt19937 rng(1);
        std::uniform_int_distribution<std::size_t> row(0, rowCount - 1);
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        double* v = kxRealData(q.A.get());
        std::size_t* rows = kxRowIndices(q.A.get());
        std::size_t* starts = kxColumnStarts(q.A.get());
        for (std::size_t j = 0, k = 0; j < kCols; ++j) {
            starts[j] = k;
            for (std::size_t t = 0; t < kPerColumn; ++t, ++k) {
                rows[k] = row(rng);
                v[k] = value(rng);
            }
        }
        starts[kCols] = kCols * kPerColumn;
        q.lb.reset(kxCreateNumericMatrix(kCols, 1, kxDOUBLE_CLASS, kxREAL));
        q.ub.reset(kxCreateNumericMatrix(kCols, 1, kxDOUBLE_CLASS, kxREAL));
        for (std::size_t j = 0; j < kCols; ++j) {
            kxRealData(q.lb.get())[j] = value(rng) - 1.0;
            kxRealData(q.ub.get())[j] = value(rng) + 1.0;
        }
    }
    return q;
}

void StreamingPass(benchmark::State& state) {
    const std::size_t rowCount = static_cast<std::size_t>(state.range(0));
    const Problem& p = problem(rowCount);
    const double* v = kxRealData(p.A.get());
    const std::size_t* rows = kxRowIndices(p.A.get());
    const std::size_t nnz = kxColumnStarts(p.A.get())[kCols];
    for (auto _ : state) {
        std::vector<double> histogram(rowCount, 0.0);
        double sum = 0.0;
        for (std::size_t k = 0; k < nnz; ++k) {
            sum += v[k];
            histogram[rows[k]] += 1.0;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(histogram.data());
    }
}

void ConstrImpliedBoundaries(benchmark::State& state) {
    const std::size_t rowCount = static_cast<std::size_t>(state.range(0));
    const Problem& p = problem(rowCount);
    const kxArray* inputs[3] = {p.A.get(), p.lb.get(), p.ub.get()};
    for (auto _ : state) {
        kxarray::kxArrayPtr outputs[2];
        presolve::constrImpliedBoundaries(2, outputs, 3, inputs);
        benchmark::DoNotOptimize(kxRealData(outputs[1].get()));
    }
}

void GetNNZcounts(benchmark::State& state) {
    const std::size_t rowCount = static_cast<std::size_t>(state.range(0));
    const Problem& p = problem(rowCount);
    const kxArray* inputs[1] = {p.A.get()};
    for (auto _ : state) {
        kxarray::kxArrayPtr outputs[2];
        presolve::getNNZcounts(2, outputs, 1, inputs);
        benchmark::DoNotOptimize(kxRealData(outputs[1].get()));
    }
}

BENCHMARK(StreamingPass)->Arg(50000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(ConstrImpliedBoundaries)
    ->Arg(50000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GetNNZcounts)->Arg(50000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);

/// Console output as usual, plus the time per iteration of each benchmark for the ratios.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            // With --benchmark_repetitions the fastest repetition is kept for each.
            // CPU time: the code is single-threaded and the machine may be shared.
            const double t = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            const auto [it, added] =
                seconds.emplace(run.run_name.function_name + "/" + run.run_name.args, t);
            if (!added && t < it->second) it->second = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratio to one streaming pass over the same arrays (target <= 1.5):\n");
    for (const char* rows : {"50000", "200000", "1000000"}) {
        const auto peer = reporter.seconds.find(std::string("StreamingPass/") + rows);
        if (peer == reporter.seconds.end()) continue;
        for (const char* name : {"ConstrImpliedBoundaries", "GetNNZcounts"}) {
            const auto it = reporter.seconds.find(std::string(name) + "/" + rows);
            if (it != reporter.seconds.end())
                std::printf("  %-24s rows %-8s %.2f\n", name, rows, it->second / peer->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
