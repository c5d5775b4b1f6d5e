// The solver against Clp: every pure LP of CoinUtils' samples, our own files (ranges, free
// and fixed columns, both MPS formats, an objective constant) and random LPs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <algorithm>
#include <tuple>

#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/lp_test_support.hpp"

namespace {

using lpsolve::IpmStatus;
using lpsolve::LinearAlgebra;
using lpsolve_test::ClpStatus;

lpsolve::SolveOutcome solve(const std::string& file, LinearAlgebra la = LinearAlgebra::Automatic, bool presolve = true) {
    lpsolve::Options options;
    options.file = file;
    options.quiet = true;
    options.linearAlgebra = la;
    options.presolve = presolve;
    return lpsolve::solveFile(options);
}

double tolerance(double objective) { return 1e-6 * std::max(1.0, std::fabs(objective)); }

// The integer-free samples (atm_5_10_1's BV bounds are relaxed, as by Clp's simplex).
// infeasible_free_ray.mps: infeasible rows plus an empty column whose cost falls without
// bound; the presolve once called that unbounded.
const char* const kSamples[] = {"afiro.mps", "brandy.mps", "e226.mps", "finnis.mps", "galenet.mps",
                                "galenetbnds.mps", "hello.mps", "atm_5_10_1.mps"};
const char* const kOwnFiles[] = {"ranges_free.mps", "ranges_free_freeformat.mps", "unbounded.mps",
                                 "infeasible.mps", "infeasible_free_ray.mps"};

using Param = std::tuple<std::string, LinearAlgebra>;
class AgreesWithClp : public ::testing::TestWithParam<Param> {};

TEST_P(AgreesWithClp, SameVerdictAndObjective) {
    if (!lpsolve_test::clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const auto& [file, linearAlgebra] = GetParam();
    const auto clp = lpsolve_test::runClp(file);
    ASSERT_NE(clp.status, ClpStatus::Other) << clp.output;
    ScratchAwareLeakGuard guard;  // solves leave OPTMatrix scratch entries
    lpsolve::SolveOutcome out;
    try {
        out = solve(file, linearAlgebra);
    } catch (const lpsolve::LpError& e) {  // the presolve may find the verdict first
        EXPECT_NE(clp.status, ClpStatus::Optimal) << e.what();
        EXPECT_EQ(e.code(), clp.status == ClpStatus::PrimalInfeasible ? lpsolve::ExitCode::Infeasible
                                                                      : lpsolve::ExitCode::Unbounded) << e.what();
        return;
    }
    EXPECT_LE(out.iterations, 100u);
    const IpmStatus expected[] = {IpmStatus::Optimal, IpmStatus::Infeasible, IpmStatus::Unbounded};
    ASSERT_EQ(out.status, expected[static_cast<int>(clp.status)]) << out.message;
    if (clp.status != ClpStatus::Optimal) return;
    EXPECT_NEAR(out.objective, clp.objective, tolerance(clp.objective));
    EXPECT_LT(out.maxViolation, 10 * tolerance(clp.objective));
}

std::vector<Param> allCases() {
    std::vector<Param> cases;
    for (LinearAlgebra la : {LinearAlgebra::Dense, LinearAlgebra::Sparse}) {
        for (const char* f : kSamples) cases.emplace_back(lpsolve_test::sampleFile(f), la);
        for (const char* f : kOwnFiles) cases.emplace_back(lpsolve_test::dataFile(f), la);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Samples, AgreesWithClp, ::testing::ValuesIn(allCases()), [](const auto& info) {
    std::string file = std::get<0>(info.param);
    file = file.substr(file.find_last_of('/') + 1);
    file = file.substr(0, file.find('.'));
    return file + (std::get<1>(info.param) == LinearAlgebra::Dense ? "_dense" : "_sparse");
});

// An optimum by construction (a point x0 inside all bounds, a dual y0 making every reduced
// cost sign-correct), written as MPS by CoinMpsIO.
void writeFeasibleLp(unsigned seed, const std::string& path) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-3.0, 3.0), unit(0.0, 1.0);
    const int m = 5 + static_cast<int>(seed % 40), n = 8 + static_cast<int>(seed % 60);
    const double inf = COIN_DBL_MAX;
    std::vector<int> rows, cols;
    std::vector<double> vals, a(static_cast<std::size_t>(m * n), 0.0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < m; ++i)
            if (unit(rng) < 0.25) rows.push_back(i), cols.push_back(j), vals.push_back(a[i + j * m] = value(rng));
    CoinPackedMatrix A(true, rows.data(), cols.data(), vals.data(), static_cast<int>(vals.size()));
    A.setDimensions(m, n);
    std::vector<double> cl(n), cu(n), obj(n), rl(m), ru(m), x0(n), y0(m);
    for (auto& y : y0) y = value(rng);
    for (int j = 0; j < n; ++j) {
        x0[j] = value(rng);
        double aty = 0.0;
        for (int i = 0; i < m; ++i) aty += a[i + j * m] * y0[i];
        switch (j % 4) {  // free, lower only, upper only, boxed
            case 0: cl[j] = -inf, cu[j] = inf, obj[j] = aty; break;
            case 1: cl[j] = x0[j] - unit(rng), cu[j] = inf, obj[j] = aty + 2 * unit(rng); break;
            case 2: cl[j] = -inf, cu[j] = x0[j] + unit(rng), obj[j] = aty - 2 * unit(rng); break;
            default: cl[j] = x0[j] - unit(rng), cu[j] = x0[j] + unit(rng), obj[j] = value(rng); break;
        }
    }
    for (int i = 0; i < m; ++i) {  // equalities and ranges around A x0: any dual sign fits
        double ax = 0.0;
        for (int j = 0; j < n; ++j) ax += a[i + j * m] * x0[j];
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

// Regression: the dense back end once lost A x = b on one of these when its dual
// regularization was too small to keep the unpivoted LDL' stable. The sparse runs go
// without presolve, so that path meets the oracle too.
TEST(RandomLps, AgreeWithClpWithBothBackEnds) {
    if (!lpsolve_test::clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const std::string path = ::testing::TempDir() + "lpsolve_random_" + std::to_string(getpid()) + ".mps";
    for (unsigned seed = 60; seed <= 85; ++seed) {
        writeFeasibleLp(seed, path);
        const auto clp = lpsolve_test::runClp(path);
        ASSERT_EQ(clp.status, ClpStatus::Optimal) << "seed " << seed;
        for (auto la : {LinearAlgebra::Dense, LinearAlgebra::Sparse}) {
            const auto out = solve(path, la, la == LinearAlgebra::Dense);
            ASSERT_EQ(out.status, IpmStatus::Optimal) << "seed " << seed << ": " << out.message;
            EXPECT_NEAR(out.objective, clp.objective, tolerance(clp.objective)) << "seed " << seed << " " << out.linearAlgebra;
            EXPECT_LE(out.iterations, 100u);
        }
    }
    std::remove(path.c_str());
}

}  // namespace
