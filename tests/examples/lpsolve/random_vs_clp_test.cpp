// Random LPs that have an optimum by construction (a primal point inside all bounds and a
// dual point that makes every reduced cost sign-correct), written as MPS and solved by
// lpsolve and by Clp. Regression: the dense back end once lost A x = b on one of these
// when its dual regularization was too small to keep the unpivoted LDL' stable.
#include <gtest/gtest.h>

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"

namespace {

void writeFeasibleLp(unsigned seed, const std::string& path) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-3.0, 3.0), unit(0.0, 1.0);
    const int m = 5 + static_cast<int>(seed % 40), n = 8 + static_cast<int>(seed % 60);
    const double inf = COIN_DBL_MAX;
    std::vector<int> rows, cols;
    std::vector<double> vals, dense(static_cast<std::size_t>(m * n), 0.0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < m; ++i)
            if (unit(rng) < 0.25) {
                const double v = value(rng);
                rows.push_back(i), cols.push_back(j), vals.push_back(v);
                dense[static_cast<std::size_t>(i + j * m)] = v;
            }
    CoinPackedMatrix A(true, rows.data(), cols.data(), vals.data(), static_cast<int>(vals.size()));
    A.setDimensions(m, n);
    std::vector<double> cl(n), cu(n), obj(n), rl(m), ru(m), x0(n), y0(m);
    for (auto& y : y0) y = value(rng);
    for (int j = 0; j < n; ++j) {
        x0[j] = value(rng);
        double aty = 0.0;
        for (int i = 0; i < m; ++i) aty += dense[static_cast<std::size_t>(i + j * m)] * y0[i];
        switch (j % 4) {
            case 0: cl[j] = -inf, cu[j] = inf, obj[j] = aty; break;                          // free
            case 1: cl[j] = x0[j] - unit(rng), cu[j] = inf, obj[j] = aty + 2 * unit(rng); break;
            case 2: cl[j] = -inf, cu[j] = x0[j] + unit(rng), obj[j] = aty - 2 * unit(rng); break;
            default: cl[j] = x0[j] - unit(rng), cu[j] = x0[j] + unit(rng), obj[j] = value(rng); break;
        }
    }
    for (int i = 0; i < m; ++i) {  // equalities and ranges around A x0: any dual sign fits
        double ax = 0.0;
        for (int j = 0; j < n; ++j) ax += dense[static_cast<std::size_t>(i + j * m)] * x0[j];
        const bool equality = unit(rng) < 0.4;
        rl[i] = equality ? ax : ax - 2 * unit(rng);
        ru[i] = equality ? ax : ax + 2 * unit(rng);
    }
    CoinMpsIO writer;
    writer.messageHandler()->setLogLevel(0);
    writer.setMpsData(A, inf, cl.data(), cu.data(), obj.data(), nullptr, rl.data(), ru.data(),
                      static_cast<char**>(nullptr), static_cast<char**>(nullptr));
    writer.setObjectiveOffset(value(rng));
    ASSERT_EQ(writer.writeMps(path.c_str(), 0, 1), 0);
}

TEST(RandomLps, AgreeWithClpWithBothBackEnds) {
    if (!lpsolve_test::clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const std::string path = ::testing::TempDir() + "lpsolve_random.mps";
    for (unsigned seed = 60; seed <= 85; ++seed) {
        writeFeasibleLp(seed, path);
        const auto clp = lpsolve_test::runClp(path);
        ASSERT_TRUE(clp.has_value());
        ASSERT_EQ(clp->status, lpsolve_test::ClpVerdict::Status::Optimal) << "seed " << seed;
        for (auto la : {lpsolve::LinearAlgebra::Dense, lpsolve::LinearAlgebra::Sparse}) {
            lpsolve::Options options;
            options.file = path;
            options.quiet = true;
            options.linearAlgebra = la;
            const auto out = lpsolve::solveFile(options);
            ASSERT_EQ(out.status, lpsolve::IpmStatus::Optimal) << "seed " << seed << ": " << out.message;
            EXPECT_NEAR(out.objective, clp->objective, 1e-6 * std::max(1.0, std::fabs(clp->objective)))
                << "seed " << seed << (la == lpsolve::LinearAlgebra::Dense ? " dense" : " sparse");
            EXPECT_LE(out.iterations, 100u);
        }
    }
    std::remove(path.c_str());
}

}  // namespace
