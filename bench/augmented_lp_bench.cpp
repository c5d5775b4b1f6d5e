// Numeric factorization of EqnSolverSparseLDL on the augmented systems an interior-point
// LP solver factors in every iteration:
//
//     [ -D  Aᵀ ]      D = diag(d), d_j in [1e-2, 1e2] (the varying scaling of the
//     [  A  δI ]      iterates), δ = 1e-8, A with 300 rows and n columns.
//
// A is transportation-like: 100 sources and 200 sinks; column j joins source j mod 100 to
// sink (j / 100) mod 200 with two entries of random magnitude. The elimination tree of such
// a system has one node with n children, which is where a factor that walks sibling lists
// turns quadratic.
//
//   NumericFactor/n : process CPU time of one numfactor (the analysis is done once, outside
//                     the loop; CPU time, because the machine is shared and wall time
//                     doubles under load); counter median_s is the median over the
//                     iterations, wall_s the median wall time.
// After the runs, the growth exponent of that time in n (least-squares slope of log time
// against log n) is printed: at most 1 means linear in the columns.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <random>
#include <vector>

#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

constexpr long kSources = 100, kSinks = 200, kRows = kSources + kSinks;

struct Augmented {
    long order = 0;
    std::vector<long> jc, ir;  // lower triangle, compressed columns
    std::vector<double> pr;
};

Augmented augmentedLp(long n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> logScale(-2.0, 2.0), coef(0.5, 2.0);
    Augmented s;
    s.order = n + kRows;
    s.jc.push_back(0);
    for (long j = 0; j < n; ++j) {
        const long src = j % kSources, sink = kSources + (j / kSources) % kSinks;
        s.ir.insert(s.ir.end(), {j, n + src, n + sink});
        s.pr.insert(s.pr.end(), {-std::pow(10.0, logScale(rng)), coef(rng), -coef(rng)});
        s.jc.push_back(static_cast<long>(s.ir.size()));
    }
    for (long i = 0; i < kRows; ++i) {
        s.ir.push_back(n + i);
        s.pr.push_back(1e-8);
        s.jc.push_back(static_cast<long>(s.ir.size()));
    }
    return s;
}

std::map<long, double> g_factorSeconds;  // columns → seconds per numeric factorization

void NumericFactor(benchmark::State& state) {
    const long n = state.range(0);
    Augmented a = augmentedLp(n, 7);
    EqnSolverSparseLDL s(0.01);
    s.init(a.order, a.order, a.pr.data(), a.ir.data(), a.jc.data(), static_cast<long>(a.ir.size()));
    s.symfactor();
    std::vector<double> times, walls;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = processCpuSeconds();
        s.numfactor();
        const double t = processCpuSeconds() - c0;
        walls.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        if (s.status != 4) state.SkipWithError("numeric factorization failed");
        times.push_back(t);
        state.SetIterationTime(t);
    }
    long rank = 0, neg = 0, nnzL = 0;
    double flops = 0;
    s.rank(rank);
    s.getNnzL(nnzL);
    s.getFlops(flops);
    s.numNegEigenValues(neg);
    std::sort(times.begin(), times.end());
    std::sort(walls.begin(), walls.end());
    const double median = times[times.size() / 2];
    g_factorSeconds[n] = median;
    state.counters["order"] = static_cast<double>(a.order);
    state.counters["median_s"] = median;
    state.counters["wall_s"] = walls[walls.size() / 2];
    state.counters["nnzL"] = static_cast<double>(nnzL);
    state.counters["flops"] = flops;
    state.counters["rank_ok"] = rank == a.order ? 1 : 0;
    state.counters["neg_ok"] = neg == n ? 1 : 0;  // n negative pivots: the -D block
}

}  // namespace

BENCHMARK(NumericFactor)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("SCOTCH_PTHREAD_NUMBER", "1", 0);  // reproducible orderings
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_factorSeconds.size() >= 2) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const double m = static_cast<double>(g_factorSeconds.size());
        for (const auto& [cols, t] : g_factorSeconds) {
            const double lx = std::log(static_cast<double>(cols)), ly = std::log(t);
            sx += lx;
            sy += ly;
            sxx += lx * lx;
            sxy += lx * ly;
        }
        std::printf("numeric factorization time grows as columns^%.2f\n",
                    (m * sxy - sx * sy) / (m * sxx - sx * sx));
    }
    benchmark::Shutdown();
    return 0;
}
