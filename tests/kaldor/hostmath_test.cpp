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
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

namespace {

kxArray* randomDense(std::mt19937& rng, std::size_t m, std::size_t n) {
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    for (std::size_t k = 0; k < m * n; ++k) kxRealData(a)[k] = dist(rng);
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

void expectNaiveProduct(const kxArray* a, const kxArray* b, const kxArray* c) {
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

// On a little-endian machine a 32-bit-integer BLAS reads small 64-bit integers correctly,
// so the products alone cannot tell the two BLAS apart; the routine's origin can.
TEST(HostMatrixMult, CallsTheSixtyFourBitIntegerBlas) {
    for (bool singleColumn : {false, true}) {
        const void* routine = kaldor::testing::hostMatrixMultRoutine(singleColumn);
        ASSERT_NE(routine, nullptr);
        Dl_info info{};
        ASSERT_NE(dladdr(routine, &info), 0);
        EXPECT_NE(std::string(info.dli_fname).find("libopenblas64"), std::string::npos)
            << info.dli_fname;
    }
}

TEST(HostMatrixMult, DenseProductMatchesNaiveProductForManyShapes) {
    HostLeakGuard guard;
    std::mt19937 rng(2024);
    const std::size_t shapes[][3] = {{1, 1, 1},  {2, 3, 4},   {7, 5, 1},  {13, 1, 9},
                                     {31, 17, 3}, {64, 65, 33}, {5, 0, 4}, {0, 3, 2},
                                     {500, 1000, 1}, {5, 0, 1}, {1, 9, 1}};
    for (const auto& s : shapes) {
        kxArray* a = randomDense(rng, s[0], s[1]);
        kxArray* b = randomDense(rng, s[1], s[2]);
        kxArray* c = kxCreateNumericMatrix(s[0], s[2], kxDOUBLE_CLASS, kxREAL);
        for (std::size_t k = 0; k < s[0] * s[2]; ++k) kxRealData(c)[k] = 123.0;  // overwritten
        hostMatrixMult(a, b, c);
        expectNaiveProduct(a, b, c);
        kxarray::destroyArray(a);
        kxarray::destroyArray(b);
        kxarray::destroyArray(c);
    }
}

TEST(HostMatrixMult, SparseRightOperandAndReshapedResult) {
    HostLeakGuard guard;
    std::mt19937 rng(3);
    kxArray* a = randomDense(rng, 6, 4);
    kxArray* b = kaldor::testing::createSparseArray(4, 3, 5);
    const std::size_t starts[] = {0, 2, 2, 5};
    const std::size_t rows[] = {3, 1, 0, 3, 2};  // unsorted within a column
    for (std::size_t k = 0; k < 4; ++k) kxColumnStarts(b)[k] = starts[k];
    for (std::size_t p = 0; p < 5; ++p) {
        kxRowIndices(b)[p] = rows[p];
        kxRealData(b)[p] = 0.5 + static_cast<double>(p);
    }
    // A result array created larger and reshaped, as the scratch buffer does.
    kxArray* c = kxCreateNumericMatrix(10, 4, kxDOUBLE_CLASS, kxREAL);
    for (std::size_t k = 0; k < 40; ++k) kxRealData(c)[k] = -7.0;
    kxSetM(c, 6);
    kxSetN(c, 3);
    hostMatrixMult(a, b, c);
    expectNaiveProduct(a, b, c);
    kxArray* bd = randomDense(rng, 4, 3);
    hostMatrixMult(a, bd, c);
    expectNaiveProduct(a, bd, c);
    kxarray::destroyArray(a);
    kxarray::destroyArray(b);
    kxarray::destroyArray(bd);
    kxarray::destroyArray(c);
}

TEST(HostMatrixMult, ShapeMismatchRaisesHostErrorAndNoBlasSymbolLeavesLibkaldor) {
    HostLeakGuard guard;
    kxArray* a = kxCreateNumericMatrix(2, 3, kxDOUBLE_CLASS, kxREAL);
    kxArray* c = kxCreateNumericMatrix(2, 1, kxDOUBLE_CLASS, kxREAL);
    try {
        hostMatrixMult(a, c, c);
        ADD_FAILURE() << "no error raised";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:hostMatrixMult:invalidArguments");
    }
    kxarray::destroyArray(a);
    kxarray::destroyArray(c);
    void* kaldor = dlopen("libkaldor.so.0", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(kaldor, nullptr);
    EXPECT_EQ(dlsym(kaldor, "dgemm_"), nullptr);
    EXPECT_EQ(dlsym(kaldor, "daxpy_"), nullptr);
    dlclose(kaldor);
}

TEST(HostMath, MinusWithStrides) {
    const double a[] = {5, 6, 7, 8, 9, 10};
    const double b[] = {1, 2, 3};
    double out[6] = {0, 0, 0, 0, 0, 0};
    hostmath::Minus<double, double, double>(out, a, b, 1, 1, 1, 3);
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(out[1], 4.0);
    EXPECT_EQ(out[2], 4.0);
    EXPECT_EQ(out[3], 0.0);  // count respected
    hostmath::Minus<double, double, double>(out, a, b, 2, 2, 0, 3);
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(out[2], 6.0);
    EXPECT_EQ(out[4], 8.0);
}
