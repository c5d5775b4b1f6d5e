// Dense and symmetric kernels against the same BLAS/LAPACK call made directly on the same
// data: the "ratio" counter is our time per call over the raw call's (1.00 = no overhead).
// Also the per-call scratch allocation of norminf / sym_norminf against dlange / dlansy
// with a work array allocated once.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/paired_timing.hpp"
#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/dense_kernels.hpp"
#include "solvutil/kernels/symmetric_kernels.hpp"

namespace {

struct DenseData {
    DenseMatrix A, B, R;
    AlignedVector x, y;
    explicit DenseData(long n) : A(n, n), B(n, n), R(n, n), x(n), y(n) {
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> d(-1.0, 1.0);
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < n; ++i) A(i, j) = d(rng), B(i, j) = d(rng);
        for (auto& v : x) v = d(rng);
        for (auto& v : y) v = d(rng);
    }
};

// Calls per timed batch: enough work per batch (~0.5 ms) for the clock to resolve it.
long batchFor(double flopsPerCall) {
    return std::max(1L, static_cast<long>(1.0e6 / flopsPerCall));
}

const blas_int kOne = 1;

void BM_gaxpy(benchmark::State& state, bool trans) {
    const long n = state.range(0);
    DenseData d(n);
    const double alpha = 0.5, beta = 0.5;
    const char t = trans ? 'T' : 'N';
    benchutil::comparePaired(
        state, batchFor(2.0 * n * n),
        [&] {
            dgemv_(&t, &n, &n, &alpha, d.A.data(), &n, d.x.data(), &kOne, &beta, d.y.data(), &kOne);
        },
        [&] {
            if (trans)
                tr_gaxpy(alpha, d.A, d.x, beta, d.y);
            else
                gaxpy(alpha, d.A, d.x, beta, d.y);
        });
}

void BM_matmult(benchmark::State& state) {
    const long n = state.range(0);
    DenseData d(n);
    const double one = 1.0, zero = 0.0;
    const char t = 'N';
    benchutil::comparePaired(
        state, batchFor(2.0 * n * n * n),
        [&] {
            dgemm_(&t, &t, &n, &n, &n, &one, d.A.data(), &n, d.B.data(), &n, &zero, d.R.data(), &n);
        },
        [&] { matmult(d.R, d.A, d.B, false, false); });
}

void BM_sym_gaxpy(benchmark::State& state) {
    const long n = state.range(0);
    DenseData d(n);
    const double alpha = 0.5, beta = 0.5;
    const char lower = 'L';
    benchutil::comparePaired(
        state, batchFor(2.0 * n * n),
        [&] {
            dsymv_(&lower, &n, &alpha, d.A.data(), &n, d.x.data(), &kOne, &beta, d.y.data(), &kOne);
        },
        [&] { sym_gaxpy(alpha, d.A, d.x, beta, d.y, false); });
}

// Cost of the scratch vector allocated on every call.
void BM_norminf(benchmark::State& state) {
    const long n = state.range(0);
    DenseData d(n);
    AlignedVector work(static_cast<std::size_t>(n));
    const char norm = 'I';
    double sink = 0.0;
    benchutil::comparePaired(
        state, batchFor(1.0 * n * n),
        [&] { sink += dlange_(&norm, &n, &n, d.A.data(), &n, work.data()); },
        [&] { sink += norminf(d.A); });
    benchmark::DoNotOptimize(sink);
}

void BM_sym_norminf(benchmark::State& state) {
    const long n = state.range(0);
    DenseData d(n);
    AlignedVector work(static_cast<std::size_t>(n));
    const char norm = 'I', lower = 'L';
    double sink = 0.0;
    benchutil::comparePaired(
        state, batchFor(0.5 * n * n),
        [&] { sink += dlansy_(&norm, &lower, &n, d.A.data(), &n, work.data()); },
        [&] { sink += sym_norminf(d.A); });
    benchmark::DoNotOptimize(sink);
}

}  // namespace

BENCHMARK_CAPTURE(BM_gaxpy, gaxpy, false)->Arg(50)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_gaxpy, tr_gaxpy, true)->Arg(50)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_matmult)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_matmult)->Arg(1000)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sym_gaxpy)->Arg(50)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_norminf)->Arg(50)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_sym_norminf)->Arg(50)->Arg(2000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
