#pragma once
// Helpers for the constraint tests: host arrays from plain data and random problems.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
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
using LeakGuard = ScratchAwareLeakGuard;
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr std::uint64_t kNotFoundBits = 0xFFF8000000000000ULL;

inline std::uint64_t bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

inline kxArray* denseArray(std::size_t m, std::size_t n, const Dense& values) {
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    std::copy_n(values.begin(), m * n, kxRealData(a));
    return a;
}

// Nonzero entries in decreasing row order per column, so nothing may rely on sorted rows.
inline kxArray* sparseArray(std::size_t m, std::size_t n, const Dense& v,
                            std::size_t extraRoom = 0) {
    const auto nnz = v.size() - static_cast<std::size_t>(std::count(v.begin(), v.end(), 0.0));
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

// Expects `message` on the host console and a thrown std::exception*; returns the stdout text.
inline std::string expectOptMatrixFailure(const std::function<void()>& f,
                                          const std::string& message) {
    kaldor::testing::ConsoleCapture console;
    ::testing::internal::CaptureStdout();
    bool thrown = false;
    try {
        f();
    } catch (std::exception* e) {
        thrown = true;
        delete e;
    }
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(thrown && console.text() == message) << message << " vs " << console.text();
    return out;
}

struct Problem {
    std::size_t n = 0, mi = 0, me = 0;
    Dense A, b, Aeq, beq, lb, ub;
    std::vector<std::size_t> fixed;  // fixed variables (value ub)
};

// About a third of the bounds infinite or NaN, some equal finite bounds, `nFixed` fixed.
inline Problem randomProblem(std::mt19937& rng, std::size_t n, std::size_t mi, std::size_t me,
                             std::size_t nFixed = 0) {
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    std::uniform_int_distribution<int> kind(0, 5);
    // clang-format off
    Problem p{n, mi, me, randomDense(rng, mi * n), randomDense(rng, mi), randomDense(rng, me * n),
              randomDense(rng, me), Dense(n), Dense(n), {}};
    // clang-format on
    for (std::size_t j = 0; j < n; ++j) {
        const double lo = dist(rng);
        const int k = kind(rng);
        p.lb[j] = k == 0 ? -kInf : k == 2 ? kNaN : lo;
        p.ub[j] = k == 1 ? kInf : k == 2 ? -kInf : k == 3 ? lo : lo + 2.0;
    }
    for (std::size_t k = 0; k < nFixed && k < n; ++k) {
        const std::size_t j = (k * 7 + 3) % n;
        if (std::find(p.fixed.begin(), p.fixed.end(), j) != p.fixed.end()) continue;
        p.fixed.push_back(j);
        p.lb[j] = p.ub[j] = dist(rng);
    }
    return p;
}

// A LinearConstraint owning arrays made from `p`, bound lists from the scan, fixed list by hand.
struct Built {
    ConstraintCounts c;
    std::unique_ptr<LinearConstraint> lc;
};

inline std::unique_ptr<Built> build(const Problem& p, bool sparseVectors = false) {
    auto out = std::make_unique<Built>();
    out->c = ConstraintCounts{.nIneq = p.mi, .nEq = p.me, .nVar = p.n};
    out->lc = std::make_unique<LinearConstraint>(
        &out->c, false, denseArray(p.mi, p.n, p.A), makeArray(sparseVectors, p.mi, 1, p.b),
        denseArray(p.me, p.n, p.Aeq), denseArray(p.me, 1, p.beq),
        makeArray(sparseVectors, p.n, 1, p.lb), makeArray(sparseVectors, p.n, 1, p.ub),
        M::BORROW_DESTROY);
    out->lc->_createBoundAndFixedConstraints();
    if (!p.fixed.empty()) {
        std::vector<std::size_t> list(p.n, ~std::size_t{0});
        std::copy(p.fixed.begin(), p.fixed.end(), list.begin());
        out->lc->_setindexFixed(list.data());
        out->c.nFixed = p.fixed.size();
    }
    return out;
}

}  // namespace ctest
