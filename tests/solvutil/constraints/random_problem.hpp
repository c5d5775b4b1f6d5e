#pragma once
// Random constraint problems for the LinearConstraint tests, kept as plain column-major
// data so that the tests can recompute every quantity without the library.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "constraint_test_support.hpp"
#include "solvutil/constraints/linear_constraint.hpp"

namespace ctest {

struct Problem {
    std::size_t n = 0, mi = 0, me = 0;
    Dense A, b, Aeq, beq, lb, ub;
    std::vector<std::size_t> fixed;  // fixed variables (values from ub)
};

/// n variables, mi inequalities, me equalities; about a third of the bounds infinite or
/// NaN, some equal finite bounds, and `nFixed` fixed variables.
inline Problem randomProblem(std::mt19937& rng, std::size_t n, std::size_t mi, std::size_t me,
                             std::size_t nFixed = 0) {
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    std::uniform_int_distribution<int> kind(0, 5);
    Problem p;
    p.n = n;
    p.mi = mi;
    p.me = me;
    auto fill = [&](Dense& v, std::size_t count) {
        v.resize(count);
        for (auto& x : v) x = dist(rng);
    };
    fill(p.A, mi * n);
    fill(p.b, mi);
    fill(p.Aeq, me * n);
    fill(p.beq, me);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    p.lb.resize(n);
    p.ub.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        const double lo = dist(rng);
        switch (kind(rng)) {
            case 0: p.lb[j] = -inf; p.ub[j] = lo + 1.0; break;
            case 1: p.lb[j] = lo; p.ub[j] = inf; break;
            case 2: p.lb[j] = nan; p.ub[j] = -inf; break;
            case 3: p.lb[j] = lo; p.ub[j] = lo; break;
            default: p.lb[j] = lo; p.ub[j] = lo + 2.0; break;
        }
    }
    // Fixed variables get equal finite bounds (their value is ub).
    for (std::size_t k = 0; k < nFixed && k < n; ++k) {
        const std::size_t j = (k * 7 + 3) % n;
        if (std::find(p.fixed.begin(), p.fixed.end(), j) != p.fixed.end()) continue;
        p.fixed.push_back(j);
        p.lb[j] = p.ub[j] = dist(rng);
    }
    return p;
}

/// A LinearConstraint over host arrays made from `p` (handed over), with its bound lists
/// built by _createBoundAndFixedConstraints and the fixed list set by hand.
struct Built {
    ConstraintCounts counts;
    std::unique_ptr<LinearConstraint> lc;
};

inline std::unique_ptr<Built> build(const Problem& p, bool sparseMatrices, bool sparseVectors) {
    auto out = std::make_unique<Built>();
    ConstraintCounts& c = out->counts;
    c.nVar = p.n;
    c.nIneq = p.mi;
    c.nEq = p.me;
    c.nTotal = p.mi + p.me;
    // Sparse matrices only where the library supports them (x and vectors; A stays dense
    // for products), so `sparseMatrices` applies to the right-hand sides and bounds.
    out->lc = std::make_unique<LinearConstraint>(
        &c, sparseMatrices, denseArray(p.mi, p.n, p.A), makeArray(sparseVectors, p.mi, 1, p.b),
        denseArray(p.me, p.n, p.Aeq), denseArray(p.me, 1, p.beq),
        makeArray(sparseVectors, p.n, 1, p.lb), makeArray(sparseVectors, p.n, 1, p.ub),
        OPTMatrix<double>::BORROW_DESTROY);
    out->lc->_setindexLB(nullptr);
    out->lc->_setindexUB(nullptr);
    out->lc->_setindexFixed(nullptr);
    out->lc->_createBoundAndFixedConstraints();
    if (!p.fixed.empty()) {
        std::vector<std::size_t> list(p.n, ~std::size_t{0});
        std::copy(p.fixed.begin(), p.fixed.end(), list.begin());
        out->lc->_setindexFixed(list.data());
        c.nFixed = p.fixed.size();
    }
    return out;
}

inline bool finite(double v) { return std::abs(v) <= std::numeric_limits<double>::max(); }

}  // namespace ctest
