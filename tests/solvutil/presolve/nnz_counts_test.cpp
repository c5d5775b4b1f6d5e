#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "solvutil/presolve/presolve.hpp"
#include "tests/solvutil/presolve/sparse_case.hpp"
#include "tests/support/host_guard.hpp"

using namespace presolve_test;

namespace {

std::vector<double> denseColumnCounts(const SparseCase& c) {
    std::vector<double> count(c.n, 0.0);
    for (std::size_t j = 0; j < c.n; ++j)
        for (std::size_t i = 0; i < c.m; ++i) count[j] += c.isStored(i, j) ? 1.0 : 0.0;
    return count;
}

std::vector<double> denseRowCounts(const SparseCase& c) {
    std::vector<double> count(c.m, 0.0);
    for (std::size_t i = 0; i < c.m; ++i)
        for (std::size_t j = 0; j < c.n; ++j) count[i] += c.isStored(i, j) ? 1.0 : 0.0;
    return count;
}

kxarray::kxArrayPtr scalar(double s) {
    kxarray::kxArrayPtr a(kxCreateNumericMatrix(1, 1, kxDOUBLE_CLASS, kxREAL));
    kxRealData(a.get())[0] = s;
    return a;
}

}  // namespace

TEST(GetNNZcounts, OneInputGivesColumnThenRowCounts) {
    HostLeakGuard guard;
    std::mt19937 rng(11);
    const std::size_t shapes[][2] = {{1, 1}, {9, 4}, {40, 33}, {2, 90}, {120, 3}};
    for (const auto& shape : shapes) {
        const SparseCase c = randomSparse(rng, shape[0], shape[1], 0.4);
        const kxArray* inputs[1] = {c.array.get()};
        kxarray::kxArrayPtr outputs[2];
        presolve::getNNZcounts(2, outputs, 1, inputs);
        EXPECT_EQ(kxGetN(outputs[0].get()), 1u);
        EXPECT_EQ(kxGetN(outputs[1].get()), 1u);
        EXPECT_EQ(columnOf(outputs[0].get()), denseColumnCounts(c));
        EXPECT_EQ(columnOf(outputs[1].get()), denseRowCounts(c));
    }

    // 3-by-2 with entries at (0,0), (2,0), (2,1); the stored zero still counts.
    kxarray::kxArrayPtr A(kaldor::testing::createSparseArray(3, 2, 3));
    std::size_t* rows = kxRowIndices(A.get());
    std::size_t* starts = kxColumnStarts(A.get());
    rows[0] = 2;  // unsorted inside column 0
    rows[1] = 0;
    rows[2] = 2;
    starts[1] = 2;
    starts[2] = 3;
    kxRealData(A.get())[1] = 0.0;
    const kxArray* inputs[1] = {A.get()};
    kxarray::kxArrayPtr outputs[2];
    presolve::getNNZcounts(2, outputs, 1, inputs);
    EXPECT_EQ(columnOf(outputs[0].get()), (std::vector<double>{2, 1}));
    EXPECT_EQ(columnOf(outputs[1].get()), (std::vector<double>{1, 0, 2}));
}

TEST(GetNNZcounts, SelectorTruncatesSaturatesAndTreatsNaNAsZero) {
    HostLeakGuard guard;
    std::mt19937 rng(12);
    const SparseCase c = randomSparse(rng, 23, 17, 0.35);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double selector;
        bool columns;
    } cases[] = {{2.0, true},  {2.9, true},   {1.0, false},    {0.0, false}, {-2.0, false},
                 {nan, false}, {1e300, false}, {-1e300, false}, {-2.5, false}, {3.0, false},
                 {4294967298.0, false}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(testing::Message() << "selector " << tc.selector);
        auto selector = scalar(tc.selector);
        const kxArray* inputs[2] = {c.array.get(), selector.get()};
        kxarray::kxArrayPtr untouched = scalar(42.0);
        const kxArray* sentinel = untouched.get();
        kxarray::kxArrayPtr outputs[2] = {nullptr, std::move(untouched)};
        presolve::getNNZcounts(2, outputs, 2, inputs);
        EXPECT_EQ(outputs[1].get(), sentinel) << "second slot must not be touched";
        EXPECT_EQ(columnOf(outputs[0].get()),
                  tc.columns ? denseColumnCounts(c) : denseRowCounts(c));
    }
}

TEST(GetNNZcounts, EmptyShapes) {
    HostLeakGuard guard;
    // No stored entries: zero columns of lengths n and m.
    kxarray::kxArrayPtr none(kaldor::testing::createSparseArray(4, 3, 2));
    const kxArray* in1[1] = {none.get()};
    kxarray::kxArrayPtr out[2];
    presolve::getNNZcounts(2, out, 1, in1);
    EXPECT_EQ(columnOf(out[0].get()), std::vector<double>(3, 0.0));
    EXPECT_EQ(columnOf(out[1].get()), std::vector<double>(4, 0.0));
    // m = 0: empty row counts, zero column counts of length n.
    kxarray::kxArrayPtr noRows(kaldor::testing::createSparseArray(0, 5, 0));
    const kxArray* in2[1] = {noRows.get()};
    presolve::getNNZcounts(2, out, 1, in2);
    EXPECT_EQ(columnOf(out[0].get()), std::vector<double>(5, 0.0));
    EXPECT_EQ(kxGetM(out[1].get()), 0u);
    EXPECT_EQ(kxGetN(out[1].get()), 1u);
    // n = 0: empty column counts, zero row counts of length m.
    kxarray::kxArrayPtr noCols(kaldor::testing::createSparseArray(6, 0, 0));
    const kxArray* in3[1] = {noCols.get()};
    presolve::getNNZcounts(2, out, 1, in3);
    EXPECT_EQ(kxGetM(out[0].get()), 0u);
    EXPECT_EQ(columnOf(out[1].get()), std::vector<double>(6, 0.0));
    // With a selector, m = 0 and n = 0 still give one column of the chosen length.
    auto two = scalar(2.0);
    const kxArray* in4[2] = {noRows.get(), two.get()};
    kxarray::kxArrayPtr single[1];
    presolve::getNNZcounts(1, single, 2, in4);
    EXPECT_EQ(columnOf(single[0].get()), std::vector<double>(5, 0.0));
}

TEST(GetNNZcounts, ReplacesArraysAlreadyInTheSlots) {
    HostLeakGuard guard;
    std::mt19937 rng(13);
    const SparseCase c = randomSparse(rng, 8, 5, 0.5);
    const kxArray* inputs[1] = {c.array.get()};
    kxarray::kxArrayPtr outputs[2] = {scalar(1.0), scalar(2.0)};
    const std::size_t live = kaldor::testing::arrayStats().live;
    presolve::getNNZcounts(2, outputs, 1, inputs);
    EXPECT_EQ(kaldor::testing::arrayStats().live, live) << "old slot arrays not released";
    EXPECT_EQ(columnOf(outputs[1].get()), denseRowCounts(c));
}
