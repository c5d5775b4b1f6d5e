// DynamicRegSolver::factor and solve against LAPACK in the same run:
//   factor  vs dpotrf (Cholesky of an SPD matrix of the same order),
//           vs dsytrf (Bunch–Kaufman) on the same indefinite KKT matrix and on a random
//              symmetric matrix;
//   solve   vs dsytrs on the dsytrf factors.
// Each is run with 1 and 2 OpenBLAS threads; GFLOP/s counts n³/3 flops per factorization.
// After the runs a table of time ratios (ours / peer) is printed.
//
// The "where the time goes" benchmarks replay the factorization's BLAS calls by kind
// (panel dgemv, diagonal-block dgemv, off-diagonal dgemm) with the same shapes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "tests/support/lapack.hpp"

extern "C" {
void openblas_set_num_threads(int);
char* openblas_get_corename(void);
char* openblas_get_config(void);
}

namespace {

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

/// [−H, Aᵀ; A, δI] with nx = n/2 primal rows: H = I + small symmetric, δ = 1e-2.
DenseMatrix kktMatrix(long n) {
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const long nx = n / 2;
    DenseMatrix K(n, n);
    const double h = 0.5 / static_cast<double>(nx), a = 1.0 / std::sqrt(static_cast<double>(nx));
    for (long j = 0; j < nx; ++j) {
        K(j, j) = -(1.0 + h * u(rng));
        for (long i = j + 1; i < nx; ++i) K(i, j) = K(j, i) = -h * u(rng);
        for (long i = nx; i < n; ++i) K(i, j) = K(j, i) = a * u(rng);
    }
    for (long i = nx; i < n; ++i) K(i, i) = 1e-2;
    return K;
}

/// Symmetric positive definite: random symmetric entries plus n on the diagonal.
DenseMatrix spdMatrix(long n) {
    std::mt19937 rng(static_cast<unsigned>(3 * n));
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    DenseMatrix S(n, n);
    for (long j = 0; j < n; ++j) {
        for (long i = j + 1; i < n; ++i) S(i, j) = S(j, i) = u(rng);
        S(j, j) = static_cast<double>(n);
    }
    return S;
}

DenseMatrix randomSymmetric(long n) {
    std::mt19937 rng(static_cast<unsigned>(7 * n));
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    DenseMatrix S(n, n);
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) S(i, j) = S(j, i) = u(rng);
    return S;
}

const DenseMatrix& cached(char kind, long n) {
    static std::map<std::pair<char, long>, DenseMatrix> cache;
    auto it = cache.find({kind, n});
    if (it == cache.end()) {
        DenseMatrix M = kind == 'k' ? kktMatrix(n) : kind == 's' ? spdMatrix(n) : randomSymmetric(n);
        it = cache.emplace(std::pair{kind, n}, std::move(M)).first;
    }
    return it->second;
}

void setFlops(benchmark::State& state, long n) {
    const double flops = static_cast<double>(n) * n * n / 3.0;
    state.counters["GFLOP/s"] =
        benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

// Each timed region is the factorization alone; restoring the input is not timed.
template <class Factor>
void timeFactor(benchmark::State& state, const DenseMatrix& input, Factor&& f) {
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    DenseMatrix A = input;
    for (auto _ : state) {
        state.PauseTiming();
        A = input;
        state.ResumeTiming();
        f(A);
        benchmark::ClobberMemory();
    }
    setFlops(state, input.rows);
}

void BM_DynamicRegFactor(benchmark::State& state) {
    const long n = state.range(0);
    DynamicRegSolver solver;
    DynamicRegParams p;
    p.nPrimal = static_cast<unsigned long>(n / 2);
    p.checkInertia = true;
    timeFactor(state, cached('k', n),
               [&](DenseMatrix& A) { solver.factor(A, static_cast<unsigned long>(n), p); });
    if (!p.regIndices.empty() || !p.primalInertiaOK || !p.dualInertiaOK)
        state.SkipWithError("KKT test matrix was not factored without shifts");
}

void BM_Dpotrf(benchmark::State& state) {
    const blas_int n = state.range(0);
    blas_int info = 0;
    timeFactor(state, cached('s', n),
               [&](DenseMatrix& A) { dpotrf_("L", &n, A.data(), &n, &info, 1); });
    if (info != 0) state.SkipWithError("dpotrf failed");
}

void dsytrfInto(DenseMatrix& A, std::vector<blas_int>& ipiv, std::vector<double>& work) {
    const blas_int n = A.rows;
    blas_int info = 0, lwork = static_cast<blas_int>(work.size());
    if (lwork == 0) {
        double query = 0.0;
        lwork = -1;
        dsytrf_("L", &n, A.data(), &n, ipiv.data(), &query, &lwork, &info, 1);
        work.resize(static_cast<std::size_t>(query));
        lwork = static_cast<blas_int>(work.size());
    }
    dsytrf_("L", &n, A.data(), &n, ipiv.data(), work.data(), &lwork, &info, 1);
}

void BM_DsytrfKkt(benchmark::State& state) {
    std::vector<blas_int> ipiv(static_cast<std::size_t>(state.range(0)));
    std::vector<double> work;
    timeFactor(state, cached('k', state.range(0)),
               [&](DenseMatrix& A) { dsytrfInto(A, ipiv, work); });
}

void BM_DsytrfRandom(benchmark::State& state) {
    std::vector<blas_int> ipiv(static_cast<std::size_t>(state.range(0)));
    std::vector<double> work;
    timeFactor(state, cached('r', state.range(0)),
               [&](DenseMatrix& A) { dsytrfInto(A, ipiv, work); });
}

void BM_DynamicRegSolve(benchmark::State& state) {
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const long n = state.range(0);
    DenseMatrix F = cached('k', n);
    DynamicRegSolver solver;
    DynamicRegParams p;
    p.nPrimal = static_cast<unsigned long>(n / 2);
    solver.factor(F, static_cast<unsigned long>(n), p);
    AlignedVector b(static_cast<std::size_t>(n), 1.0);
    for (auto _ : state) {
        solver.solve(F, static_cast<unsigned long>(n), b);
        benchmark::DoNotOptimize(b.data());
    }
}

void BM_Dsytrs(benchmark::State& state) {
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const blas_int n = state.range(0), nrhs = 1;
    DenseMatrix F = cached('k', n);
    std::vector<blas_int> ipiv(static_cast<std::size_t>(n));
    std::vector<double> work;
    dsytrfInto(F, ipiv, work);
    std::vector<double> b(static_cast<std::size_t>(n), 1.0);
    blas_int info = 0;
    for (auto _ : state) {
        dsytrs_("L", &n, &nrhs, F.data(), &n, ipiv.data(), b.data(), &n, &info, 1);
        benchmark::DoNotOptimize(b.data());
    }
}

// --- Where the time goes: the factorization's BLAS calls replayed by kind. ---------------
// Same shapes, leading dimensions and strides as the panel algorithm, on the KKT data
// (the values only need to be finite). `kind` 0: the panel's per-column dgemv; 1: the
// per-column dgemv on the diagonal blocks of the trailing update; 2: the dgemm below them.
void BM_ReplayCalls(benchmark::State& state) {
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const long n = state.range(0);
    const long kind = state.range(2);
    static const blas_int ONE_I = 1, PANEL = 48;
    static const double ONE = 1.0, MINUS_ONE = -1.0, TINY = 1e-30;
    DenseMatrix A = cached('k', n);
    std::vector<double> W(static_cast<std::size_t>(48 * n), 1.0);
    const blas_int ld = n;
    for (auto _ : state) {
        for (long k0 = 0; k0 + 48 <= n; k0 += 48) {
            const long m = n - k0;
            double* a = A.data() + k0 * (n + 1);
            auto at = [&](long i, long j) { return a + i + j * n; };
            auto w = [&](long i, long j) { return W.data() + i + j * n; };
            if (kind == 0) {
                const blas_int rows = m;
                for (blas_int j = 0; j < 48; ++j)
                    dgemv_("N", &rows, &j, &TINY, W.data(), &ld, at(j, 0), &ld, &ONE, w(0, j),
                           &ONE_I, 1);
                continue;
            }
            for (long q = 48; q < m; q += 48) {
                const long bs = std::min(m - q, 48L);
                if (kind == 1) {
                    for (long k = q; k < q + bs; ++k) {
                        const blas_int len = q + bs - k;
                        dgemv_("N", &len, &PANEL, &TINY, w(k, 0), &ld, at(k, 0), &ld, &ONE,
                               at(k, k), &ONE_I, 1);
                    }
                } else if (q + bs < m) {
                    const blas_int below = m - q - bs, cols = bs;
                    dgemm_("N", "T", &below, &cols, &PANEL, &TINY, w(q + bs, 0), &ld, at(q, 0),
                           &ld, &ONE, at(q + bs, q), &ld, 1, 1);
                }
            }
        }
        benchmark::ClobberMemory();
    }
    (void)MINUS_ONE;
}

void factorArgs(benchmark::internal::Benchmark* b) {
    for (long t : {1L, 2L})
        for (long n : {500L, 1000L, 2000L}) b->Args({n, t});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void solveArgs(benchmark::internal::Benchmark* b) {
    for (long t : {1L, 2L}) b->Args({2000, t});
    b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

void replayArgs(benchmark::internal::Benchmark* b) {
    for (long t : {1L, 2L})
        for (long kind : {0L, 1L, 2L}) b->Args({2000, t, kind});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_DynamicRegFactor)->Apply(factorArgs);
BENCHMARK(BM_Dpotrf)->Apply(factorArgs);
BENCHMARK(BM_DsytrfKkt)->Apply(factorArgs);
BENCHMARK(BM_DsytrfRandom)->Apply(factorArgs);
BENCHMARK(BM_DynamicRegSolve)->Apply(solveArgs);
BENCHMARK(BM_Dsytrs)->Apply(solveArgs);
BENCHMARK(BM_ReplayCalls)->Apply(replayArgs);

/// Console output as usual, plus the real time per iteration of every repetition, keyed by
/// the family and the arguments ("500/1"); the ratio table uses the median repetition.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            const std::string name = r.benchmark_name();
            const auto slash = name.find('/');
            const std::string family = name.substr(0, slash);
            std::string args = slash == std::string::npos ? "" : name.substr(slash + 1);
            if (const auto rt = args.find("/real_time"); rt != std::string::npos) args.erase(rt);
            times_[family][args].push_back(r.GetAdjustedRealTime());
        }
    }

    void printRatios() const {
        std::printf("\nOpenBLAS core: %s\nOpenBLAS config: %s\n", openblas_get_corename(),
                    openblas_get_config());
        std::printf("\n%-12s %8s %14s %14s %14s\n", "n/threads", "", "factor/dpotrf",
                    "factor/dsytrf", "factor/dsytrf");
        std::printf("%-12s %8s %14s %14s %14s\n", "", "", "", "(same KKT)", "(random sym)");
        for (const auto& [args, t] : at("BM_DynamicRegFactor"))
            std::printf("%-12s %8s %14.3f %14.3f %14.3f\n", args.c_str(), "", t / get("BM_Dpotrf", args),
                        t / get("BM_DsytrfKkt", args), t / get("BM_DsytrfRandom", args));
        std::printf("\n%-12s %8s %14s\n", "n/threads", "", "solve/dsytrs");
        for (const auto& [args, t] : at("BM_DynamicRegSolve"))
            std::printf("%-12s %8s %14.3f\n", args.c_str(), "", t / get("BM_Dsytrs", args));
    }

private:
    std::map<std::string, double> at(const std::string& family) const {
        std::map<std::string, double> medians;
        if (const auto it = times_.find(family); it != times_.end())
            for (auto [args, v] : it->second) {
                std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
                medians[args] = v[v.size() / 2];
            }
        return medians;
    }
    double get(const std::string& family, const std::string& args) const {
        const auto m = at(family);
        const auto it = m.find(args);
        return it == m.end() ? NAN : it->second;
    }

    std::map<std::string, std::map<std::string, std::vector<double>>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
