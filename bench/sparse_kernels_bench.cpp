// Sparse products against Eigen's sparse matrix-vector product on the same matrix (the
// same compressed-column arrays, mapped by Eigen without a copy), single thread: the
// "ratio" counter is our time per call over Eigen's.
// Matrix: the 5-point Laplacian of a k-by-k grid, k*k rows (k = 1000 gives 10^6 rows).
#include <benchmark/benchmark.h>

#include <Eigen/Sparse>
#include <random>

#include "bench/paired_timing.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"

namespace {

using EigenCsc = Eigen::SparseMatrix<double, Eigen::ColMajor, long>;

SparseMatrix laplacian2d(long k) {
    const long n = k * k;
    SparseMatrix S(n, n, 5 * n - 4 * k);
    double* pr = S.data();
    long p = 0;
    for (long j = 0; j < n; ++j) {  // symmetric: column j holds the neighbours of node j
        const long r = j / k, c = j % k;
        auto put = [&](long i, double v) { S.ir[p] = i, pr[p] = v, ++p; };
        if (r > 0) put(j - k, -1.0);
        if (c > 0) put(j - 1, -1.0);
        put(j, 4.0);
        if (c + 1 < k) put(j + 1, -1.0);
        if (r + 1 < k) put(j + k, -1.0);
        S.jc[j + 1] = p;
    }
    return S;
}

struct SparseData {
    SparseMatrix S;
    AlignedVector x, y;
    Eigen::Map<const EigenCsc> E;
    explicit SparseData(long k)
        : S(laplacian2d(k)),
          x(static_cast<std::size_t>(k * k)),
          y(static_cast<std::size_t>(k * k)),
          E(S.rows, S.cols, S.nnz(), S.jc, S.ir, static_cast<const SparseMatrix&>(S).data()) {
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> d(-1.0, 1.0);
        for (auto& v : x) v = d(rng);
        for (auto& v : y) v = d(rng);
    }
    Eigen::Map<const Eigen::VectorXd> ex() const { return {x.data(), S.cols}; }
    Eigen::Map<Eigen::VectorXd> ey() { return {y.data(), S.rows}; }
};

void BM_matvec(benchmark::State& state) {
    SparseData d(state.range(0));
    benchutil::comparePaired(
        state, 1, [&] { d.ey().noalias() = d.E * d.ex(); }, [&] { matvec(d.y.begin(), d.S, d.x); });
    state.counters["rows"] = static_cast<double>(d.S.rows);
}

void BM_tr_matvec(benchmark::State& state) {
    SparseData d(state.range(0));
    benchutil::comparePaired(
        state, 1, [&] { d.ey().noalias() = d.E.transpose() * d.ex(); },
        [&] { tr_matvec(d.y.begin(), d.S, d.x); });
}

void BM_gaxpy(benchmark::State& state) {
    SparseData d(state.range(0));
    const double alpha = 0.5, beta = 0.5;
    benchutil::comparePaired(
        state, 1,
        [&] {
            auto y = d.ey();
            y *= beta;
            y.noalias() += alpha * (d.E * d.ex());
        },
        [&] { gaxpy(alpha, d.S, d.x, beta, d.y); });
}

void BM_tr_gaxpy(benchmark::State& state) {
    SparseData d(state.range(0));
    const double alpha = 0.5, beta = 0.5;
    benchutil::comparePaired(
        state, 1,
        [&] {
            auto y = d.ey();
            y *= beta;
            y.noalias() += alpha * (d.E.transpose() * d.ex());
        },
        [&] { tr_gaxpy(alpha, d.S, d.x, beta, d.y); });
}

}  // namespace

BENCHMARK(BM_matvec)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tr_matvec)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gaxpy)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tr_gaxpy)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
