// The KKT back ends under the solver against LAPACK's dsysv.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <random>

#include "examples/lpsolve/kkt_backends.hpp"
#include "support/lapack.hpp"
#include "tests/examples/lpsolve/planted.hpp"
#include "tests/support/host_guard.hpp"

namespace {

using lpsolve::CscMatrix;
using lpsolve::LinearAlgebra;

// Regression: CoinUtils brings a 32-bit-integer BLAS under the same names; the 64-bit one
// must win.
TEST(KktBackend, BlasCallsBindToTheSixtyFourBitLibrary) {
    for (void* symbol : {reinterpret_cast<void*>(&dsytrf_), reinterpret_cast<void*>(&dgemv_)}) {
        Dl_info info{};
        ASSERT_NE(dladdr(symbol, &info), 0);
        EXPECT_NE(std::string(info.dli_fname ? info.dli_fname : "").find("openblas64"),
                  std::string::npos);
    }
}

class KktBackend : public ::testing::TestWithParam<LinearAlgebra> {};

// [-D A'; A delta I] against dsysv on the assembled matrix. Sizes straddle the dense
// 128/129 blocking switch; D spans twelve orders; each factor object is used twice.
TEST_P(KktBackend, SolvesLikeLapackAndReportsTheInertia) {
    HostLeakGuard guard;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0), value(-1.0, 1.0);
    const std::pair<std::size_t, std::size_t> shapes[] = {{1, 1},   {3, 5},   {20, 47},
                                                          {40, 88}, {50, 79}, {60, 120}};
    for (const auto& [m, n] : shapes) {
        std::vector<double> a(m * n);
        for (std::size_t k = 0; k < a.size(); ++k)  // a diagonal keeps full row rank
            a[k] = k % m == k / m ? 2.0 + value(rng) : unit(rng) < 0.1 ? value(rng) : 0.0;
        const CscMatrix A = lpsolve_test::csc(m, n, a);
        auto kkt = lpsolve::makeKktSolver({&A}, GetParam());
        const blas_int N = blas_int(n + m), lwork = 64 * N;
        for (blas_int columns = 1; columns <= 2; ++columns) {  // solve, then solveColumns
            std::vector<double> d(n), rhs(N * columns), K(N * N, 0.0), work(lwork);
            for (auto& v : d) v = std::pow(10.0, -6.0 + 12.0 * unit(rng));
            for (auto& v : rhs) v = value(rng);
            for (std::size_t j = 0; j < n; ++j) {
                K[j + j * N] = -d[j];
                for (std::size_t i = 0; i < m; ++i)
                    K[(n + i) + j * N] = K[j + (n + i) * N] = a[i + j * m];
            }
            for (std::size_t i = n; i < std::size_t(N); ++i) K[i + i * N] = 1e-12;
            const auto report = kkt->factor({d, 0.0, 1e-12});
            ASSERT_TRUE(report.factored);
            EXPECT_TRUE(report.inertiaOk);
            EXPECT_EQ(report.negativePivots, n);
            EXPECT_EQ(report.rank, n + m);
            std::vector<double> expected = rhs;
            std::vector<blas_int> ipiv(N);
            blas_int info = 0;
            dsysv_("L", &N, &columns, K.data(), &N, ipiv.data(), expected.data(), &N, work.data(),
                   &lwork, &info);
            ASSERT_EQ(info, 0);
            if (columns == 1)
                kkt->solve(rhs);
            else
                kkt->solveColumns(rhs, 2);
            for (std::size_t i = 0; i < rhs.size(); ++i)
                EXPECT_NEAR(rhs[i], expected[i], 1e-6 * (1.0 + std::fabs(expected[i])))
                    << m << "x" << n << " " << kkt->name();
        }
    }
}

std::string backEnd(const ::testing::TestParamInfo<LinearAlgebra>& info) {
    const char* names[] = {"Automatic", "Dense", "Sparse", "Normal"};
    return names[int(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Lpsolve, KktBackend,
                         ::testing::Values(LinearAlgebra::Dense, LinearAlgebra::Sparse,
                                           LinearAlgebra::Normal),
                         backEnd);

}  // namespace
