// DynamicRegSolver::factor and solve against LAPACK, measured in the same run:
//   factor vs dpotrf (Cholesky of an SPD matrix of the same order), vs dsytrf
//          (Bunch–Kaufman) on the same indefinite KKT matrix and on a random symmetric one;
//   solve  vs dsytrs on the dsytrf factors of the same KKT matrix.
// Each with 1 and 2 OpenBLAS threads (openblas_set_num_threads). GFLOP/s count n³/3 flops.
//
// The machine is shared, so each iteration runs ours and every peer back to back on fresh
// copies of their inputs, and the counters report the best time of each over all
// iterations: interference from other processes only ever adds time, and interleaving
// exposes ours and the peers to the same conditions.
//
// BM_FactorBreakdown replays the factorization's BLAS calls by kind (per-column dgemv of
// the panels, per-column dgemv on the diagonal blocks of the trailing update, dgemm below
// them) with the same shapes and strides, as fractions of one factorization.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "support/lapack.hpp"

extern "C" {
void openblas_set_num_threads(int);
char* openblas_get_corename(void);
char* openblas_get_config(void);
}

namespace {

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

// --- Inputs ------------------------------------------------------------------------------

/// [−H, Aᵀ; A, δI] with nx = n/2 primal rows, H = I + small symmetric, δ = 1e-2:
/// quasi-definite, so DynamicRegSolver needs no shift.
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

/// Symmetric positive definite: random entries in [-1, 1] plus n on the diagonal.
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

// --- Timing helpers ----------------------------------------------------------------------

/// Best (smallest) wall time of the calls it timed, in seconds.
class BestOf {
public:
    template <class F>
    double time(F&& f) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        benchmark::ClobberMemory();
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best_ = std::min(best_, s);
        return s;
    }
    double best() const { return best_; }

private:
    double best_ = std::numeric_limits<double>::infinity();
};

double gflops(long n, double seconds) {
    return static_cast<double>(n) * static_cast<double>(n) * static_cast<double>(n) / 3.0 /
           seconds * 1e-9;
}

struct Dsytrf {
    std::vector<blas_int> ipiv;
    std::vector<double> work;

    void operator()(DenseMatrix& A) {
        const blas_int n = A.rows;
        blas_int info = 0, lwork = -1;
        ipiv.resize(static_cast<std::size_t>(n));
        if (work.empty()) {
            double query = 0.0;
            dsytrf_("L", &n, A.data(), &n, ipiv.data(), &query, &lwork, &info);
            work.resize(static_cast<std::size_t>(query));
        }
        lwork = static_cast<blas_int>(work.size());
        dsytrf_("L", &n, A.data(), &n, ipiv.data(), work.data(), &lwork, &info);
    }
};

DynamicRegParams kktParams(long n) {
    DynamicRegParams p;
    p.nPrimal = static_cast<unsigned long>(n / 2);
    p.checkInertia = true;
    return p;
}

// --- Benchmarks --------------------------------------------------------------------------

void BM_FactorVersusLapack(benchmark::State& state) {
    const long n = state.range(0);
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const DenseMatrix kkt = kktMatrix(n), spd = spdMatrix(n), rnd = randomSymmetric(n);
    DenseMatrix A(n, n);
    DynamicRegSolver solver;
    DynamicRegParams p = kktParams(n);
    Dsytrf dsytrf;
    const blas_int N = n;
    blas_int info = 0;
    BestOf ours, potrf, sytrfKkt, sytrfRnd;

    for (auto _ : state) {
        A = kkt;
        state.SetIterationTime(
            ours.time([&] { solver.factor(A, static_cast<unsigned long>(n), p); }));
        A = spd;
        potrf.time([&] { dpotrf_("L", &N, A.data(), &N, &info); });
        A = kkt;
        sytrfKkt.time([&] { dsytrf(A); });
        A = rnd;
        sytrfRnd.time([&] { dsytrf(A); });
    }
    if (!p.regIndices.empty() || !p.primalInertiaOK || !p.dualInertiaOK || info != 0)
        state.SkipWithError("test matrices did not factor as expected");

    state.counters["ours_ms"] = ours.best() * 1e3;
    state.counters["GFLOP/s"] = gflops(n, ours.best());
    state.counters["potrf_GF/s"] = gflops(n, potrf.best());
    state.counters["sytrf_GF/s"] = gflops(n, sytrfKkt.best());
    state.counters["x_potrf"] = ours.best() / potrf.best();
    state.counters["x_sytrf_kkt"] = ours.best() / sytrfKkt.best();
    state.counters["x_sytrf_rnd"] = ours.best() / sytrfRnd.best();
}

void BM_SolveVersusDsytrs(benchmark::State& state) {
    const long n = state.range(0);
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const DenseMatrix kkt = kktMatrix(n);
    DenseMatrix F = kkt, G = kkt;
    DynamicRegSolver solver;
    DynamicRegParams p = kktParams(n);
    solver.factor(F, static_cast<unsigned long>(n), p);
    Dsytrf dsytrf;
    dsytrf(G);

    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> b0(static_cast<std::size_t>(n));
    for (double& v : b0) v = u(rng);
    AlignedVector x(b0.begin(), b0.end());
    std::vector<double> y = b0;
    const blas_int N = n, nrhs = 1;
    blas_int info = 0;
    BestOf ours, sytrs;

    for (auto _ : state) {
        std::copy(b0.begin(), b0.end(), x.begin());
        state.SetIterationTime(
            ours.time([&] { solver.solve(F, static_cast<unsigned long>(n), x); }));
        y = b0;
        sytrs.time([&] {
            dsytrs_("L", &N, &nrhs, G.data(), &N, dsytrf.ipiv.data(), y.data(), &N, &info);
        });
    }
    double diff = 0.0;
    for (long i = 0; i < n; ++i)
        diff = std::max(diff,
                        std::abs(x[static_cast<std::size_t>(i)] - y[static_cast<std::size_t>(i)]));
    if (info != 0 || diff > 1e-8) state.SkipWithError("solutions disagree");

    state.counters["ours_us"] = ours.best() * 1e6;
    state.counters["sytrs_us"] = sytrs.best() * 1e6;
    state.counters["x_sytrs"] = ours.best() / sytrs.best();
}

/// Issues the BLAS calls of one kind that factor makes for an n-by-n matrix (n >= 129),
/// with the same shapes, strides and leading dimensions; the values only need to be finite.
/// kind 0: per-column dgemv of the panels; 1: per-column dgemv on the diagonal blocks of
/// the trailing update; 2: the dgemm below each diagonal block.
void replayCalls(int kind, DenseMatrix& A, std::vector<double>& W) {
    static const blas_int ONE_I = 1, PANEL = 48;
    static const double ONE = 1.0, TINY = 1e-30;  // tiny alpha keeps the data unchanged
    const long n = A.rows;
    const blas_int ld = n;
    for (long k0 = 0; k0 + 48 <= n; k0 += 48) {
        const long m = n - k0;
        double* a = A.data() + k0 * (n + 1);
        auto at = [&](long i, long j) { return a + i + j * n; };
        auto w = [&](long i, long j) { return W.data() + i + j * n; };
        if (kind == 0) {
            const blas_int rows = m;
            for (blas_int j = 0; j < 48; ++j)
                dgemv_("N", &rows, &j, &TINY, W.data(), &ld, at(j, 0), &ld, &ONE, w(0, j), &ONE_I);
            continue;
        }
        for (long q = 48; q < m; q += 48) {
            const long bs = std::min(m - q, 48L);
            if (kind == 1) {
                for (long k = q; k < q + bs; ++k) {
                    const blas_int len = q + bs - k;
                    dgemv_("N", &len, &PANEL, &TINY, w(k, 0), &ld, at(k, 0), &ld, &ONE, at(k, k),
                           &ONE_I);
                }
            } else if (q + bs < m) {
                const blas_int below = m - q - bs, cols = bs;
                dgemm_("N", "T", &below, &cols, &PANEL, &TINY, w(q + bs, 0), &ld, at(q, 0), &ld,
                       &ONE, at(q + bs, q), &ld);
            }
        }
    }
}

void BM_FactorBreakdown(benchmark::State& state) {
    const long n = state.range(0);
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    const DenseMatrix kkt = kktMatrix(n);
    DenseMatrix A(n, n);
    std::vector<double> W(static_cast<std::size_t>(48 * n), 0.5);
    DynamicRegSolver solver;
    DynamicRegParams p = kktParams(n);
    BestOf total, panel, diag, gemm;

    for (auto _ : state) {
        A = kkt;
        state.SetIterationTime(
            total.time([&] { solver.factor(A, static_cast<unsigned long>(n), p); }));
        A = kkt;
        panel.time([&] { replayCalls(0, A, W); });
        diag.time([&] { replayCalls(1, A, W); });
        gemm.time([&] { replayCalls(2, A, W); });
    }
    state.counters["factor_ms"] = total.best() * 1e3;
    state.counters["panel_dgemv"] = panel.best() / total.best();
    state.counters["diag_dgemv"] = diag.best() / total.best();
    state.counters["dgemm"] = gemm.best() / total.best();
    state.counters["dgemm_GF/s"] = gflops(n, gemm.best());
}

// Best of 40, 15 and 8 rounds; every round runs ours and the three peers once.
BENCHMARK(BM_FactorVersusLapack)
    ->Args({500, 1})
    ->Args({500, 2})
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorVersusLapack)
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorVersusLapack)
    ->Args({2000, 1})
    ->Args({2000, 2})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolveVersusDsytrs)
    ->Args({2000, 1})
    ->Args({2000, 2})
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FactorBreakdown)
    ->Args({2000, 1})
    ->Args({2000, 2})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::printf("OpenBLAS core: %s\nOpenBLAS config: %s\n", openblas_get_corename(),
                openblas_get_config());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
