// Linear constraints: Aconstr(x) on a dense 500 x 1000 A against one dgemv_ plus one vector
// subtraction on the same data, and maxConstrViolation on 10^4 variables with 10^4
// lower, upper and fixed rows against a plain loop. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kaldor/testing/services.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/host/kxarray.hpp"
#include "solvutil/kernels/blas.hpp"

namespace {

using M = OPTMatrix<double>;

kxArray* randomArray(std::mt19937& rng, std::size_t m, std::size_t n, double lo, double hi) {
    std::uniform_real_distribution<double> dist(lo, hi);
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    for (std::size_t k = 0; k < m * n; ++k) kxRealData(a)[k] = dist(rng);
    return a;
}

struct Inequalities {
    static constexpr std::size_t kRows = 500, kCols = 1000;
    ConstraintCounts counts;
    std::unique_ptr<LinearConstraint> lc;
    std::unique_ptr<M> x;
    Inequalities() {
        std::mt19937 rng(1);
        counts.nVar = kCols;
        counts.nIneq = kRows;
        counts.nTotal = kRows;
        lc = std::make_unique<LinearConstraint>(&counts, false,
                                                randomArray(rng, kRows, kCols, -1, 1),
                                                randomArray(rng, kRows, 1, -1, 1), nullptr, nullptr,
                                                nullptr, nullptr, M::BORROW_DESTROY);
        x = std::make_unique<M>(randomArray(rng, kCols, 1, -1, 1), M::BORROW_DESTROY);
    }
};

Inequalities& inequalities() {
    static Inequalities problem;
    return problem;
}

void BM_Aconstr(benchmark::State& state) {
    Inequalities& p = inequalities();
    { M first = p.lc->Aconstr(*p.x); }  // the first call fills the scratch buffer
    const std::size_t created = kaldor::testing::arrayStats().created;
    for (auto _ : state) {
        M r = p.lc->Aconstr(*p.x);
        benchmark::DoNotOptimize(r._data);
    }
    state.counters["arrays_per_call"] =
        static_cast<double>(kaldor::testing::arrayStats().created - created) /
        static_cast<double>(state.iterations());
}

// The peer: y = A x by dgemv_, then y - b into a second vector, on the same data.
void BM_Peer_DgemvMinus(benchmark::State& state) {
    Inequalities& p = inequalities();
    const M& A = p.lc->getA();
    const M& b = p.lc->getb();
    const blas_int m = static_cast<blas_int>(A._rows), n = static_cast<blas_int>(A._cols);
    const blas_int one = 1;
    const double alpha = 1.0, beta = 0.0;
    std::vector<double> y(A._rows), r(A._rows);
    for (auto _ : state) {
        dgemv_("N", &m, &n, &alpha, A._data, &m, p.x->_data, &one, &beta, y.data(), &one);
        for (std::size_t i = 0; i < A._rows; ++i) r[i] = y[i] - b._data[i];
        benchmark::DoNotOptimize(r.data());
    }
}

struct Bounds {
    static constexpr std::size_t kVars = 10000;
    ConstraintCounts counts;
    std::unique_ptr<LinearConstraint> lc;
    std::unique_ptr<M> x;
    std::vector<std::size_t> fixed;
    Bounds() {
        std::mt19937 rng(2);
        counts.nVar = kVars;
        kxArray* lb = randomArray(rng, kVars, 1, -2, -1);
        kxArray* ub = randomArray(rng, kVars, 1, 1, 2);
        lc = std::make_unique<LinearConstraint>(&counts, false, nullptr, nullptr, nullptr, nullptr,
                                                lb, ub, M::BORROW_DESTROY);
        lc->_setindexLB(nullptr);
        lc->_setindexUB(nullptr);
        lc->_createBoundAndFixedConstraints();
        for (std::size_t j = 0; j < kVars; ++j) fixed.push_back(j);
        lc->_setindexFixed(fixed.data());
        counts.nFixed = kVars;
        x = std::make_unique<M>(randomArray(rng, kVars, 1, -3, 3), M::BORROW_DESTROY);
    }
};

Bounds& bounds() {
    static Bounds problem;
    return problem;
}

void BM_maxConstrViolation(benchmark::State& state) {
    Bounds& p = bounds();
    const std::size_t created = kaldor::testing::arrayStats().created;
    for (auto _ : state) benchmark::DoNotOptimize(p.lc->maxConstrViolation(*p.x));
    state.counters["arrays_per_call"] =
        static_cast<double>(kaldor::testing::arrayStats().created - created) /
        static_cast<double>(state.iterations());
}

// The peer: the same measure by plain loops over the raw data.
void BM_Peer_ViolationLoop(benchmark::State& state) {
    Bounds& p = bounds();
    const double* x = p.x->_data;
    const double* lb = p.lc->getlb()._data;
    const double* ub = p.lc->getub()._data;
    const std::size_t* LB = p.lc->getindexLB();
    const std::size_t* UB = p.lc->getindexUB();
    const ConstraintCounts& c = p.counts;
    for (auto _ : state) {
        double v = -std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < c.nFixed; ++k) {
            const std::size_t j = p.fixed[k];
            v = std::max(v, std::abs(x[j] - ub[j]));
        }
        for (std::size_t k = 0; k < c.nLB; ++k) v = std::max(v, lb[LB[k]] - x[LB[k]]);
        for (std::size_t k = 0; k < c.nUB; ++k) v = std::max(v, x[UB[k]] - ub[UB[k]]);
        benchmark::DoNotOptimize(v);
    }
}

BENCHMARK(BM_Aconstr);
BENCHMARK(BM_Peer_DgemvMinus);
BENCHMARK(BM_maxConstrViolation);
BENCHMARK(BM_Peer_ViolationLoop);

// Console output as usual, plus the time per iteration of each run for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void printRatio(const RatioReporter& r, const char* ours, const char* peer) {
    const auto a = r.times.find(ours), b = r.times.find(peer);
    if (a == r.times.end() || b == r.times.end()) return;
    std::printf("ratio %s / %s = %.3f\n", ours, peer, a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatio(reporter, "BM_Aconstr", "BM_Peer_DgemvMinus");
    printRatio(reporter, "BM_maxConstrViolation", "BM_Peer_ViolationLoop");
    benchmark::Shutdown();
    return 0;
}
