#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "solvutil/host/kxerror.hpp"
#include "solvutil/presolve/presolve.hpp"
#include "tests/solvutil/presolve/sparse_case.hpp"
#include "tests/support/host_guard.hpp"

using namespace presolve_test;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Bounds {
    std::vector<double> low, high;
};

/// Row by row over the dense mirror, columns in increasing order.
Bounds denseImpliedBounds(const SparseCase& c, const std::vector<double>& lb,
                          const std::vector<double>& ub) {
    Bounds b{std::vector<double>(c.m, 0.0), std::vector<double>(c.m, 0.0)};
    for (std::size_t i = 0; i < c.m; ++i) {
        for (std::size_t j = 0; j < c.n; ++j) {
            if (!c.isStored(i, j)) continue;
            const double a = c.value(i, j);
            if (a > 0) {
                b.low[i] += a * lb[j];
                b.high[i] += a * ub[j];
            } else {
                b.low[i] += a * ub[j];
                b.high[i] += a * lb[j];
            }
        }
    }
    return b;
}

/// Bounds with about one in eight infinite.
void randomBounds(std::mt19937& rng, std::size_t n, std::vector<double>& lb,
                  std::vector<double>& ub) {
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    std::uniform_int_distribution<int> pick(0, 7);
    lb.resize(n);
    ub.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        lb[j] = pick(rng) == 0 ? -kInf : dist(rng);
        ub[j] = pick(rng) == 0 ? kInf : lb[j] + std::abs(dist(rng));
    }
}

struct Result {
    std::vector<double> low, high;
    std::size_t lowRows, lowCols, highRows, highCols;
};

Result run(const kxArray* A, const std::vector<double>& lb, const std::vector<double>& ub) {
    auto lbArray = denseColumn(lb);
    auto ubArray = denseColumn(ub);
    const kxArray* inputs[3] = {A, lbArray.get(), ubArray.get()};
    kxarray::kxArrayPtr outputs[2];
    presolve::constrImpliedBoundaries(2, outputs, 3, inputs);
    return {columnOf(outputs[0].get()), columnOf(outputs[1].get()), kxGetM(outputs[0].get()),
            kxGetN(outputs[0].get()),   kxGetM(outputs[1].get()),   kxGetN(outputs[1].get())};
}

void expectSame(const std::vector<double>& got, const std::vector<double>& want,
                const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(sameDouble(got[i], want[i]))
            << what << "(" << i << ") = " << got[i] << ", expected " << want[i];
    }
}

}  // namespace

TEST(ConstrImpliedBoundaries, MatchesDenseRecomputationOnRandomMatrices) {
    HostLeakGuard guard;
    std::mt19937 rng(20261205);
    const std::size_t shapes[][2] = {{1, 1}, {5, 3}, {17, 29}, {64, 40}, {3, 200}, {150, 12}};
    for (const auto& shape : shapes) {
        for (double density : {0.05, 0.3, 0.9}) {
            const SparseCase c = randomSparse(rng, shape[0], shape[1], density);
            std::vector<double> lb, ub;
            randomBounds(rng, c.n, lb, ub);
            const Result r = run(c.array.get(), lb, ub);
            EXPECT_EQ(r.lowRows, c.m);
            EXPECT_EQ(r.highRows, c.m);
            EXPECT_EQ(r.lowCols, 1u);
            EXPECT_EQ(r.highCols, 1u);
            const Bounds want = denseImpliedBounds(c, lb, ub);
            SCOPED_TRACE(testing::Message() << c.m << "x" << c.n << " density " << density);
            expectSame(r.low, want.low, "low");
            expectSame(r.high, want.high, "high");
        }
    }
}

TEST(ConstrImpliedBoundaries, SignRuleInfinitiesAndStoredZeros) {
    HostLeakGuard guard;
    // One row [2, -1] with lb = [0, 1], ub = [3, 4]: low = 2*0 + (-1)*4, high = 2*3 + (-1)*1.
    kxarray::kxArrayPtr A(kaldor::testing::createSparseArray(1, 2, 2));
    double* v = kxRealData(A.get());
    std::size_t* starts = kxColumnStarts(A.get());
    v[0] = 2.0;
    v[1] = -1.0;
    starts[1] = 1;
    starts[2] = 2;
    Result r = run(A.get(), {0.0, 1.0}, {3.0, 4.0});
    EXPECT_EQ(r.low, std::vector<double>{-4.0});
    EXPECT_EQ(r.high, std::vector<double>{5.0});

    // Positive coefficient on lb = -Inf, negative on ub = +Inf: both drive low to -Inf.
    r = run(A.get(), {-kInf, 1.0}, {3.0, 4.0});
    EXPECT_EQ(r.low[0], -kInf);
    EXPECT_EQ(r.high[0], 5.0);
    r = run(A.get(), {0.0, 1.0}, {3.0, kInf});
    EXPECT_EQ(r.low[0], -kInf);
    r = run(A.get(), {0.0, -kInf}, {kInf, 4.0});
    EXPECT_EQ(r.high[0], kInf);

    // A stored zero (and a negative zero) takes the mirrored branch: 0 * ub = 0 * Inf = NaN
    // in low, while high uses the finite lb.
    for (double zero : {0.0, -0.0}) {
        v[0] = zero;
        r = run(A.get(), {0.0, 1.0}, {kInf, 4.0});
        EXPECT_TRUE(std::isnan(r.low[0]));
        EXPECT_EQ(r.high[0], -1.0);
    }
    // NaN takes the mirrored branch too and poisons both sums.
    v[0] = std::numeric_limits<double>::quiet_NaN();
    r = run(A.get(), {0.0, 1.0}, {3.0, 4.0});
    EXPECT_TRUE(std::isnan(r.low[0]));
    EXPECT_TRUE(std::isnan(r.high[0]));
}

TEST(ConstrImpliedBoundaries, EmptyShapesGiveZeroColumns) {
    HostLeakGuard guard;
    // m = 0: two empty 0-by-1 columns.
    kxarray::kxArrayPtr noRows(kaldor::testing::createSparseArray(0, 4, 0));
    Result r = run(noRows.get(), {1, 1, 1, 1}, {2, 2, 2, 2});
    EXPECT_EQ(r.lowRows, 0u);
    EXPECT_EQ(r.highRows, 0u);
    EXPECT_EQ(r.lowCols, 1u);
    // n = 0 and "no stored entries": zero columns of length m.
    kxarray::kxArrayPtr noCols(kaldor::testing::createSparseArray(3, 0, 0));
    r = run(noCols.get(), {}, {});
    EXPECT_EQ(r.low, std::vector<double>(3, 0.0));
    EXPECT_EQ(r.high, std::vector<double>(3, 0.0));
    kxarray::kxArrayPtr noEntries(kaldor::testing::createSparseArray(4, 2, 5));
    r = run(noEntries.get(), {-kInf, 1}, {kInf, 2});
    EXPECT_EQ(r.low, std::vector<double>(4, 0.0));
    EXPECT_EQ(r.high, std::vector<double>(4, 0.0));
}

TEST(ConstrImpliedBoundaries, ReplacesArraysAlreadyInTheSlots) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    const SparseCase c = randomSparse(rng, 6, 4, 0.5);
    auto lb = denseColumn({0, 0, 0, 0});
    auto ub = denseColumn({1, 1, 1, 1});
    const kxArray* inputs[3] = {c.array.get(), lb.get(), ub.get()};
    kxarray::kxArrayPtr outputs[2] = {denseColumn({9.0}), denseColumn({9.0, 9.0})};
    const std::size_t live = kaldor::testing::arrayStats().live;
    presolve::constrImpliedBoundaries(2, outputs, 3, inputs);
    EXPECT_EQ(kaldor::testing::arrayStats().live, live) << "old slot arrays not released";
    EXPECT_EQ(kxGetM(outputs[0].get()), 6u);
    EXPECT_EQ(kxGetM(outputs[1].get()), 6u);
}

TEST(ConstrImpliedBoundaries, OutOfMemoryForScratchLeaksNothing) {
    HostLeakGuard guard;
    std::mt19937 rng(8);
    const SparseCase c = randomSparse(rng, 10, 6, 0.5);
    auto lb = denseColumn(std::vector<double>(6, -1.0));
    auto ub = denseColumn(std::vector<double>(6, 1.0));
    const kxArray* inputs[3] = {c.array.get(), lb.get(), ub.get()};
    kxarray::kxArrayPtr outputs[2];
    kaldor::testing::failAllocationAfter(0);
    try {
        presolve::constrImpliedBoundaries(2, outputs, 3, inputs);
        ADD_FAILURE() << "the failed host allocation must propagate";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:outOfMemory");
    }
    kaldor::testing::failAllocationAfter(-1);
    // Slots assigned before the failure keep their new arrays.
    ASSERT_NE(outputs[0], nullptr);
    ASSERT_NE(outputs[1], nullptr);
    EXPECT_EQ(kxGetM(outputs[1].get()), 10u);
}
