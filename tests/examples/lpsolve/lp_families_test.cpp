// The generated benchmark families: shapes as documented, files Clp and lpsolve agree on,
// and optima checked against enumeration where the LP's optimum is known combinatorially.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <vector>

#include "examples/lpsolve/solver.hpp"
#include "examples/lpsolve/tools/lp_families.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;

// Cost of the cheapest permutation p of 0..n-1, where cost(i, p[i]) is summed (with
// closed = true, the cheapest single cycle through 0..n-1 instead).
template <typename Cost>
double cheapestPermutation(std::size_t n, Cost cost, bool closed) {
    std::vector<std::size_t> p(n);
    std::iota(p.begin(), p.end(), 0);
    double best = std::numeric_limits<double>::infinity();
    do {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            sum += closed ? cost(p[k], p[(k + 1) % n]) : cost(k, p[k]);
        }
        best = std::min(best, sum);
    } while (std::next_permutation(closed ? p.begin() + 1 : p.begin(), p.end()));
    return best;
}

TEST(LpFamilies, ShapesOptimaAndAgreementWithClp) {
    if (!clpAvailable()) GTEST_SKIP() << "clp not installed";
    struct Case {
        lpsolve::LpModel lp;
        std::size_t rows, cols;
    };
    const std::size_t n = 6;
    std::vector<Case> cases;
    cases.push_back({lpgen::transportation(4, 7, 1), 11, 28});
    cases.push_back({lpgen::assignment(n, 2), 2 * n, n * n});
    cases.push_back({lpgen::gridFlow(4, 5, 3), 20, 4 * 20 - 2 * 9});
    cases.push_back({lpgen::tspRelaxation(n, 4), 3 * n + n * (n - 1), 2 * n * (n - 1)});
    EXPECT_EQ(lpgen::transportation(4, 7, 1).objective, cases[0].lp.objective);  // seeded
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lp.name);
        EXPECT_EQ(c.lp.numRows(), c.rows);
        EXPECT_EQ(c.lp.numCols(), c.cols);
        const std::string file = tempPath(c.lp.name + "_") + ".mps";
        ASSERT_TRUE(lpgen::writeMps(c.lp, file));
        const ClpVerdict clp = runClp(file);
        ASSERT_EQ(clp.status, ClpStatus::Optimal) << clp.output;
        lpsolve::Options options;
        options.file = file, options.quiet = true;
        lpsolve::SolveOutcome out;
        // The default (augmented system) and the normal equations.
        for (auto la : {lpsolve::LinearAlgebra::Automatic, lpsolve::LinearAlgebra::Normal}) {
            options.linearAlgebra = la;
            out = lpsolve::solveFile(options);
            ASSERT_EQ(out.status, lpsolve::IpmStatus::Optimal) << out.message;
            EXPECT_NEAR(out.objective, clp.objective,
                        1e-6 * std::max(1.0, std::fabs(clp.objective)));
            EXPECT_LT(out.maxViolation, 1e-6) << out.linearAlgebra;
        }
        std::remove(file.c_str());
        // Column (i, j) of the assignment and the arc pair (i, j) of the TSP come in
        // row-major order; the assignment polytope is integral, the TSP LP a lower bound.
        const auto& cost = c.lp.objective;
        if (c.lp.name.rfind("assign", 0) == 0) {
            const double best = cheapestPermutation(
                n, [&](std::size_t i, std::size_t j) { return cost[i * n + j]; }, false);
            EXPECT_NEAR(out.objective, best, 1e-6 * best);
        } else if (c.lp.name.rfind("tsp", 0) == 0) {
            const auto arc = [&](std::size_t i, std::size_t j) {
                return cost[2 * (i * (n - 1) + (j < i ? j : j - 1))];
            };
            EXPECT_LE(out.objective, cheapestPermutation(n, arc, true) * (1 + 1e-9));
            EXPECT_GT(out.objective, 0.0);
        }
    }
}

}  // namespace
