#pragma once
// Helpers for the constraint tests: host arrays and matrices from plain column-major data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kaldor/testing/services.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/host/kxarray.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace ctest {

using Dense = std::vector<double>;  // column-major
using M = OPTMatrix<double>;
using Index = std::vector<std::size_t>;
using LeakGuard = ScratchAwareLeakGuard;
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline kxArray* denseArray(std::size_t m, std::size_t n, const Dense& v) {
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    std::copy_n(v.begin(), m * n, kxRealData(a));
    return a;
}

// Nonzero entries in decreasing row order per column, so nothing may rely on sorted rows.
inline kxArray* sparseArray(std::size_t m, std::size_t n, const Dense& v,
                            std::size_t extraRoom = 0) {
    const auto nnz = m * n - static_cast<std::size_t>(std::count(v.begin(), v.end(), 0.0));
    kxArray* a = kaldor::testing::createSparseArray(m, n, nnz + extraRoom);
    std::size_t p = 0;
    for (std::size_t j = 0; j < n; ++j) {
        kxColumnStarts(a)[j] = p;
        for (std::size_t i = m; i-- > 0;)
            if (v[i + m * j] != 0.0) {
                kxRowIndices(a)[p] = i;
                kxRealData(a)[p++] = v[i + m * j];
            }
    }
    kxColumnStarts(a)[n] = p;
    return a;
}

inline kxArray* makeArray(bool sparse, std::size_t m, std::size_t n, const Dense& v) {
    return sparse ? sparseArray(m, n, v) : denseArray(m, n, v);
}

inline M mat(bool sparse, std::size_t m, std::size_t n, const Dense& v) {
    return M(makeArray(sparse, m, n, v), M::BORROW_DESTROY);
}

inline Dense toDense(const M& a) {
    Dense out(a._rows * a._cols);
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = a(k % a._rows, k / a._rows);
    return out;
}

inline Dense randomDense(std::mt19937& rng, std::size_t count, double zeroShare = 0.0) {
    std::uniform_real_distribution<double> dist(-3.0, 3.0), unit(0.0, 1.0);
    Dense v(count);
    for (auto& x : v) x = unit(rng) < zeroShare ? 0.0 : dist(rng);
    return v;
}

struct Problem {
    std::size_t n = 0, mi = 0, me = 0;
    Dense A, b, Aeq, beq, lb, ub;
    Index fixed;  // fixed variables (value ub)
};

// Bounds: a third infinite or NaN, some zero, some equal; every fourth variable fixed if asked.
inline Problem randomProblem(std::mt19937& rng, std::size_t n, std::size_t mi, std::size_t me,
                             bool fix) {
    // clang-format off
    Problem p{n, mi, me, randomDense(rng, mi * n), randomDense(rng, mi), randomDense(rng, me * n),
              randomDense(rng, me), randomDense(rng, n), Dense(n), {}};
    // clang-format on
    for (std::size_t j = 0; j < n; ++j) {
        const double lo = rng() % 7 == 0 ? 0.0 : p.lb[j];
        const auto k = rng() % 6;
        p.lb[j] = k == 0 ? -kInf : k == 2 ? kNaN : lo;
        p.ub[j] = k == 1 ? kInf : k == 2 ? -kInf : k == 3 ? lo : lo + 2.0;
        if (fix && j % 4 == 1) {
            p.fixed.push_back(j);
            p.lb[j] = p.ub[j] = lo;
        }
    }
    return p;
}

// Expects `message` on the host console and a thrown std::exception*; returns the stdout text.
inline std::string expectOptMatrixFailure(const std::function<void()>& f,
                                          const std::string& message) {
    kaldor::testing::ConsoleCapture console;
    ::testing::internal::CaptureStdout();
    std::unique_ptr<std::exception> thrown;
    try {
        f();
    } catch (std::exception* e) {
        thrown.reset(e);
    }
    EXPECT_TRUE(thrown && console.text() == message) << message << " vs " << console.text();
    return ::testing::internal::GetCapturedStdout();
}

}  // namespace ctest
