// OPTMatrix<double>: element access, absmax, product, difference, assignment, adoption,
// and the failure form of every operator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "constraint_test_support.hpp"

using ctest::Dense;
using M = OPTMatrix<double>;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Dense randomDense(std::mt19937& rng, std::size_t count, double zeroShare = 0.0) {
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Dense v(count);
    for (auto& x : v) x = unit(rng) < zeroShare ? 0.0 : dist(rng);
    return v;
}

// Plain triple loop: the product oracle.
Dense naiveProduct(const Dense& a, const Dense& b, std::size_t m, std::size_t k, std::size_t n) {
    Dense c(m * n, 0.0);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t p = 0; p < k; ++p)
            for (std::size_t i = 0; i < m; ++i) c[i + m * j] += a[i + m * p] * b[p + k * j];
    return c;
}

void expectNear(const Dense& got, const Dense& want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], tol) << "at " << k;
}

}  // namespace

TEST(OPTMatrix, ConstructionOwnsZeroFilledArrayAndCountsSerials) {
    ctest::LeakGuard guard;
    const std::size_t before = M::_getStaticCounterReference();
    {
        M a(3, 2, false);
        EXPECT_EQ(a._id, before + 1);
        EXPECT_EQ(a._rows, 3u);
        EXPECT_EQ(a._cols, 2u);
        EXPECT_FALSE(a._sparse || a._pooled || a._borrowed);
        EXPECT_EQ(a._borrowMode, 0);
        EXPECT_EQ(*a._useCount, 0u);
        EXPECT_EQ(a._data, kxRealData(a._array));
        for (double v : ctest::toDense(a)) EXPECT_EQ(v, 0.0);
        M b(0, 0, false);
        EXPECT_EQ(b._id, before + 2);
    }
    EXPECT_EQ(M::_getStaticCounterReference(), before + 2);
}

TEST(OPTMatrix, AdoptionKeepsOrDestroysTheArrayByTag) {
    ctest::LeakGuard guard;
    kxArray* kept = ctest::denseArray(2, 1, {1.0, 2.0});
    {
        M a(kept, M::BORROW_KEEP);
        EXPECT_TRUE(a._borrowed);
        EXPECT_EQ(a._borrowMode, M::BORROW_KEEP);
        EXPECT_EQ(a(1, 0), 2.0);
    }
    EXPECT_EQ(kxRealData(kept)[1], 2.0);  // still alive: caller's to destroy
    kxarray::destroyArray(kept);
    const auto live = kaldor::testing::arrayStats().live;
    { M b(ctest::sparseArray(3, 3, {0, 1, 0, 0, 0, 0, 5, 0, 0}), M::BORROW_DESTROY); }
    EXPECT_EQ(kaldor::testing::arrayStats().live, live);  // created and destroyed
}

TEST(OPTMatrix, ElementAccessDenseAndUnsortedSparse) {
    ctest::LeakGuard guard;
    std::mt19937 rng(11);
    const std::size_t m = 7, n = 5;
    const Dense values = randomDense(rng, m * n, 0.6);
    M dense(ctest::denseArray(m, n, values), M::BORROW_DESTROY);
    M sparse(ctest::sparseArray(m, n, values), M::BORROW_DESTROY);
    EXPECT_TRUE(sparse._sparse);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < m; ++i) {
            EXPECT_EQ(dense(i, j), values[i + m * j]);
            EXPECT_EQ(sparse(i, j), values[i + m * j]);
        }
    dense(3, 4) = 42.0;
    EXPECT_EQ(kxRealData(dense._array)[3 + m * 4], 42.0);
    M empty(kaldor::testing::createSparseArray(0, 3, 0), M::BORROW_DESTROY);
    EXPECT_EQ(empty(0, 0), 0.0);
}

TEST(OPTMatrix, AbsmaxPositionsTiesNaNAndEmptyCases) {
    ctest::LeakGuard guard;
    std::size_t row = 99, col = 99;
    {
        M d(ctest::denseArray(3, 2, {1, -4, 2, 4, kNaN, -3}), M::BORROW_DESTROY);
        EXPECT_EQ(d.absmax(row, col), 4.0);
        EXPECT_EQ(row, 0u);  // the tie between -4 at (1,0) and 4 at (0,1) goes to the later
        EXPECT_EQ(col, 1u);
        M s(ctest::sparseArray(3, 2, {1, -4, 2, 4, kNaN, -3}), M::BORROW_DESTROY);
        EXPECT_EQ(s.absmax(row, col), 4.0);  // stored in decreasing row order per column
        EXPECT_EQ(row, 0u);
        EXPECT_EQ(col, 1u);
        M inf(ctest::sparseArray(2, 2, {0, -kInf, 1, 0}), M::BORROW_DESTROY);
        EXPECT_EQ(inf.absmax(row, col), kInf);
        EXPECT_EQ(row, 1u);
        EXPECT_EQ(col, 0u);
    }
    {
        M zeros(2, 3, false);
        EXPECT_EQ(zeros.absmax(row, col), 0.0);
        EXPECT_EQ(row, 1u);
        EXPECT_EQ(col, 2u);
        M noCols(4, 0, false);
        EXPECT_EQ(ctest::bits(noCols.absmax(row, col)), ctest::kNotFoundBits);
        M allNaN(ctest::denseArray(2, 1, {kNaN, kNaN}), M::BORROW_DESTROY);
        EXPECT_EQ(ctest::bits(allNaN.absmax(row, col)), ctest::kNotFoundBits);
        row = col = 77;
        M emptySparse(kaldor::testing::createSparseArray(0, 0, 0), M::BORROW_DESTROY);
        const double v = emptySparse.absmax(row, col);
        EXPECT_EQ(ctest::bits(v), 0u);
        EXPECT_EQ(row, 77u);
        EXPECT_EQ(col, 77u);
    }
}

TEST(OPTMatrix, ProductAndDifferenceMatchDenseRecomputation) {
    ctest::LeakGuard guard;
    std::mt19937 rng(5);
    const std::size_t shapes[][3] = {{1, 1, 1}, {5, 3, 1}, {4, 7, 3}, {17, 9, 2}, {3, 0, 2}};
    for (const auto& s : shapes) {
        const std::size_t m = s[0], k = s[1], n = s[2];
        const Dense a = randomDense(rng, m * k);
        const Dense b = randomDense(rng, k * n, 0.5);
        const Dense want = naiveProduct(a, b, m, k, n);
        M A(ctest::denseArray(m, k, a), M::BORROW_DESTROY);
        for (bool sparseRight : {false, true}) {
            M B(ctest::makeArray(sparseRight, k, n, b), M::BORROW_DESTROY);
            M C = A * B;
            EXPECT_TRUE(C._pooled);
            EXPECT_EQ(C._rows, m);
            EXPECT_EQ(C._cols, n);
            expectNear(ctest::toDense(C), want, 1e-13);
            // Difference with a dense and with a sparse right operand.
            const Dense e = randomDense(rng, m * n, 0.5);
            M E(ctest::makeArray(sparseRight, m, n, e), M::BORROW_DESTROY);
            M D = C - E;
            Dense diff(m * n);
            for (std::size_t p = 0; p < m * n; ++p) diff[p] = want[p] - e[p];
            expectNear(ctest::toDense(D), diff, 1e-13);
            EXPECT_NE(D._array, C._array);
        }
    }
}

TEST(OPTMatrix, OperatorFailuresPrintExactTextThrowPointerAndLeakNothing) {
    M a(ctest::denseArray(2, 3, {1, 2, 3, 4, 5, 6}), M::BORROW_DESTROY);
    M x(3, 1, false);
    M wrong(2, 1, false);
    M sp(ctest::sparseArray(2, 3, {1, 0, 0, 2, 0, 0}), M::BORROW_DESTROY);
    { M warm = a * x; M warm2 = warm - wrong; }  // buffer entries exist beforehand
    ctest::LeakGuard guard;
    const std::size_t entries = ctest::bufferCount();
    ctest::expectOptMatrixFailure([&] { M r = a * wrong; },
                                  "Incompatible dimensions for matrix multiplication");
    ctest::expectOptMatrixFailure([&] { M r = sp * x; },
                                  "No efficient implementation for sparse matrix multiplication");
    ctest::expectOptMatrixFailure([&] { M r = a - x; },
                                  "Incompatible dimensions for matrix subtraction");
    ctest::expectOptMatrixFailure([&] { M r = sp - a; }, "No efficient implementation for sparse");
    const std::string out = ctest::expectOptMatrixFailure(
        [&] { wrong = x; }, "Incompatible dimensions for matrix assignment");
    EXPECT_EQ(out, "LHS Size: 2-by-1\nRHS Size: 3-by-1\n");
    EXPECT_EQ(ctest::bufferCount(), entries);
    // The operands are unchanged.
    EXPECT_EQ(wrong._rows, 2u);
    EXPECT_EQ(a(1, 2), 6.0);
}

TEST(OPTMatrix, AssignmentCopiesSameShapeAndReshapesEmptyTargets) {
    ctest::LeakGuard guard;
    const Dense v = {1, 0, -2, 0, 3, 4};
    M src(ctest::denseArray(3, 2, v), M::BORROW_DESTROY);
    M dst(3, 2, false);
    kxArray* dstArray = dst._array;
    dst = src;
    EXPECT_EQ(dst._array, dstArray);  // values copied into the existing array
    EXPECT_EQ(ctest::toDense(dst), v);

    M sparseSrc(ctest::sparseArray(3, 2, v), M::BORROW_DESTROY);
    M denseFromSparse(3, 2, false);
    denseFromSparse(0, 0) = 9.0;
    denseFromSparse = sparseSrc;
    EXPECT_EQ(ctest::toDense(denseFromSparse), v);

    M sparseDst(ctest::sparseArray(3, 2, {0, 0, 0, 7, 0, 0}, 5), M::BORROW_DESTROY);
    kxArray* sparseArray = sparseDst._array;
    sparseDst = sparseSrc;  // room for 6 entries: copied in place
    EXPECT_EQ(sparseDst._array, sparseArray);
    EXPECT_EQ(ctest::toDense(sparseDst), v);

    M empty(0, 0, false);
    empty = src;
    EXPECT_EQ(empty._rows, 3u);
    EXPECT_EQ(empty._cols, 2u);
    EXPECT_FALSE(empty._sparse);
    EXPECT_NE(empty._array, src._array);
    EXPECT_EQ(ctest::toDense(empty), v);
    M noColumns(2, 0, false);  // rows but no elements: reshaped, not rejected
    noColumns = src;
    EXPECT_EQ(noColumns._rows, 3u);
    EXPECT_EQ(ctest::toDense(noColumns), v);
    M emptyToSparse(0, 0, false);
    emptyToSparse = sparseSrc;
    EXPECT_TRUE(emptyToSparse._sparse);
    EXPECT_NE(emptyToSparse._array, sparseSrc._array);
    EXPECT_EQ(ctest::toDense(emptyToSparse), v);
    M pooledEmpty(0, 0, true);
    std::size_t* entryCounter = pooledEmpty._useCount;
    EXPECT_EQ(*entryCounter, 1u);
    pooledEmpty = src;  // gives the entry back and takes an array of its own
    EXPECT_FALSE(pooledEmpty._pooled);
    EXPECT_EQ(*entryCounter, 0u);
    EXPECT_EQ(ctest::toDense(pooledEmpty), v);
}
