// hostMatrixMult and hostmath::Minus of the stand-in host.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "kaldor/hostmath_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/hostmath.hpp"
#include "solvutil/host/kxarray.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"

namespace {

using kxarray::kxArrayPtr;

kxArrayPtr randomDense(std::mt19937& rng, std::size_t m, std::size_t n, double fill = 0.0) {
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    kxArrayPtr a(kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL));
    for (std::size_t k = 0; k < m * n; ++k) kxRealData(a.get())[k] = fill != 0.0 ? fill : dist(rng);
    return a;
}

// Element (i, j) of a dense or sparse array, by plain scanning.
double at(const kxArray* a, std::size_t i, std::size_t j) {
    if (!kxIsSparse(a)) return kxRealData(a)[i + kxGetM(a) * j];
    double v = 0.0;
    for (std::size_t p = kxColumnStarts(a)[j]; p < kxColumnStarts(a)[j + 1]; ++p)
        if (kxRowIndices(a)[p] == i) v += kxRealData(a)[p];
    return v;
}

// Runs c = a*b and compares every entry of c with the naive triple loop.
void expectNaiveProduct(const kxArray* a, const kxArray* b, kxArray* c) {
    hostMatrixMult(a, b, c);
    const std::size_t m = kxGetM(a), k = kxGetN(a), n = kxGetN(b);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < m; ++i) {
            double want = 0.0;
            for (std::size_t p = 0; p < k; ++p) want += at(a, i, p) * at(b, p, j);
            EXPECT_NEAR(kxRealData(c)[i + m * j], want, 1e-13 * (1.0 + static_cast<double>(k)))
                << "shape " << m << "x" << k << "x" << n << " at (" << i << "," << j << ")";
        }
}

}  // namespace

// A 32-bit-integer BLAS reads small 64-bit integers correctly on a little-endian
// machine, so only the routine's origin tells the two BLAS apart.
TEST(HostMatrixMult, CallsTheSixtyFourBitIntegerBlas) {
    for (bool singleColumn : {false, true}) {
        const void* routine = kaldor::testing::hostMatrixMultRoutine(singleColumn);
        Dl_info info{};
        ASSERT_TRUE(routine && dladdr(routine, &info) != 0);
        EXPECT_NE(std::string(info.dli_fname).find("libopenblas64"), std::string::npos)
            << info.dli_fname;
    }
}

TEST(HostMatrixMult, DenseSparseAndReshapedResultsMatchNaiveProduct) {
    HostLeakGuard guard;
    std::mt19937 rng(2024);
    const std::size_t shapes[][3] = {{1, 1, 1},  {2, 3, 4},    {7, 5, 1}, {13, 1, 9},
                                     {31, 17, 3}, {64, 65, 33}, {5, 0, 4}, {0, 3, 2},
                                     {500, 1000, 1}, {5, 0, 1}, {1, 9, 1}};
    for (const auto& s : shapes) {
        kxArrayPtr c = randomDense(rng, s[0], s[2], 123.0);  // must be overwritten
        expectNaiveProduct(randomDense(rng, s[0], s[1]).get(), randomDense(rng, s[1], s[2]).get(),
                           c.get());
    }
    kxArrayPtr a = randomDense(rng, 6, 4);
    kxArrayPtr b(kaldor::testing::createSparseArray(4, 3, 5));
    const std::size_t starts[] = {0, 2, 2, 5}, rows[] = {3, 1, 0, 3, 2};  // unsorted rows
    std::copy(starts, starts + 4, kxColumnStarts(b.get()));
    std::copy(rows, rows + 5, kxRowIndices(b.get()));
    for (std::size_t p = 0; p < 5; ++p) kxRealData(b.get())[p] = 0.5 + static_cast<double>(p);
    // A result created larger and reshaped, as the scratch buffer does.
    kxArrayPtr c = randomDense(rng, 10, 4, -7.0);
    kxSetM(c.get(), 6);
    kxSetN(c.get(), 3);
    expectNaiveProduct(a.get(), b.get(), c.get());
    expectNaiveProduct(a.get(), randomDense(rng, 4, 3).get(), c.get());

    EXPECT_EQ(hostErrorId([&] { hostMatrixMult(a.get(), c.get(), c.get()); }),
              "KALDOR:hostMatrixMult:invalidArguments");
}

TEST(HostMath, MinusWithStrides) {
    const double a[] = {5, 6, 7, 8, 9, 10}, b[] = {1, 2, 3};
    double out[6] = {0, 0, 0, 0, 0, 0};
    hostmath::Minus<double, double, double>(out, a, b, 1, 1, 1, 3);
    EXPECT_EQ(std::vector<double>(out, out + 6), (std::vector<double>{4, 4, 4, 0, 0, 0}));
    hostmath::Minus<double, double, double>(out, a, b, 2, 2, 0, 3);  // b's stride 0: b[0]
    EXPECT_EQ(std::vector<double>(out, out + 6), (std::vector<double>{4, 4, 6, 0, 8, 0}));
}
