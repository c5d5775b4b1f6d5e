// The solver against Clp on CoinUtils' samples, our own files and random LPs; the program as run by
// a user.
#include <gtest/gtest.h>

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "examples/lpsolve/solver.hpp"
#include "examples/lpsolve/tools/lp_families.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"
#include "tests/examples/lpsolve/program_run.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace {

using lpsolve::IpmStatus;
using lpsolve::LinearAlgebra;

std::string sampleFile(const std::string& name) {
    return std::string(LPSOLVE_SAMPLE_DIR) + "/" + name;
}
std::string dataFile(const std::string& name) {
    return std::string(LPSOLVE_TEST_DATA) + "/" + name;
}

using namespace lpsolve_test;

double tolerance(double objective) {
    return 1e-6 * std::max(1.0, std::fabs(objective));
}

// Solves `file` and expects Clp's verdict, and its objective within 100 iterations.
void expectClpVerdict(const std::string& file, LinearAlgebra la, bool presolve = true) {
    const auto clp = runClp(file);
    ASSERT_NE(clp.status, ClpStatus::Other) << clp.output;
    lpsolve::Options options;
    options.file = file, options.quiet = true, options.linearAlgebra = la,
    options.presolve = presolve;
    lpsolve::SolveOutcome out;
    try {
        out = lpsolve::solveFile(options);
    } catch (const lpsolve::LpError& e) {  // the presolve may find the verdict first
        EXPECT_EQ(e.code(), clp.status == ClpStatus::PrimalInfeasible
                                ? lpsolve::ExitCode::Infeasible
                            : clp.status == ClpStatus::DualInfeasible ? lpsolve::ExitCode::Unbounded
                                                                      : lpsolve::ExitCode::Optimal)
            << e.what();
        return;
    }
    EXPECT_LE(out.iterations, 100u) << file << " " << out.linearAlgebra;
    const IpmStatus expected[] = {IpmStatus::Optimal, IpmStatus::Infeasible, IpmStatus::Unbounded};
    ASSERT_EQ(out.status, expected[static_cast<int>(clp.status)])
        << file << " " << out.linearAlgebra << ": " << out.message;
    if (clp.status != ClpStatus::Optimal) return;
    EXPECT_NEAR(out.objective, clp.objective, tolerance(clp.objective))
        << file << " " << out.linearAlgebra;
    EXPECT_LT(out.maxViolation, 10 * tolerance(clp.objective)) << file;
}

class AgreesWithClp : public ::testing::TestWithParam<std::string> {};

TEST_P(AgreesWithClp, SameVerdictAndObjectiveWithBothBackEnds) {
    if (!clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    ScratchAwareLeakGuard guard;
    for (auto la : {LinearAlgebra::Dense, LinearAlgebra::Sparse, LinearAlgebra::Normal})
        expectClpVerdict(GetParam(), la);
}

// Integer-free samples (atm_5_10_1's BV bounds relaxed as by Clp); infeasible_free_ray.mps has
// infeasible rows and an empty column whose cost falls without bound (once called unbounded).
// Regressions: bounds of 2e8 and 1e15, a coefficient of 1e-9 and a cost of 1e308 once gave
// wrong verdicts; Klee-Minty cubes were called unbounded; a distribution model with its
// objective negated ended with "no progress" instead of unbounded.
INSTANTIATE_TEST_SUITE_P(
    Samples, AgreesWithClp,
    ::testing::Values(sampleFile("afiro.mps"), sampleFile("brandy.mps"), sampleFile("e226.mps"),
                      sampleFile("finnis.mps"), sampleFile("galenet.mps"),
                      sampleFile("galenetbnds.mps"), sampleFile("hello.mps"),
                      sampleFile("atm_5_10_1.mps"), dataFile("ranges_free.mps"),
                      dataFile("ranges_free_freeformat.mps"), dataFile("unbounded.mps"),
                      dataFile("infeasible.mps"), dataFile("infeasible_free_ray.mps"),
                      dataFile("big_bound_row.mps"), dataFile("big_bound_column.mps"),
                      dataFile("tiny_coefficient.mps"), dataFile("huge_cost.mps"),
                      dataFile("redundant_huge_row_bound.mps"), dataFile("klee_minty_15.mps"),
                      dataFile("klee_minty_20.mps"), dataFile("distribution_negated.mps")),
    [](const auto& info) {
        const std::string file = info.param.substr(info.param.find_last_of('/') + 1);
        return file.substr(0, file.find('.'));
    });

// An optimum by construction (x0 inside all bounds, a dual y0 making reduced costs sign-correct),
// as MPS.
void writeFeasibleLp(unsigned seed, const std::string& path) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-3.0, 3.0), unit(0.0, 1.0);
    const int m = 5 + static_cast<int>(seed % 40), n = 8 + static_cast<int>(seed % 60);
    const double inf = COIN_DBL_MAX;
    std::vector<int> rows, cols;
    std::vector<double> vals, a(static_cast<std::size_t>(m * n), 0.0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < m; ++i)
            if (unit(rng) < 0.25)
                rows.push_back(i), cols.push_back(j), vals.push_back(a[i + j * m] = value(rng));
    CoinPackedMatrix A(true, rows.data(), cols.data(), vals.data(), static_cast<int>(vals.size()));
    A.setDimensions(m, n);
    std::vector<double> cl(n), cu(n), obj(n), rl(m), ru(m), x0(n), y0(m);
    for (auto& y : y0) y = value(rng);
    for (int j = 0; j < n; ++j) {
        x0[j] = value(rng);
        double aty = 0.0;
        for (int i = 0; i < m; ++i) aty += a[i + j * m] * y0[i];
        switch (j % 4) {  // free, lower only, upper only, boxed
            case 0:
                cl[j] = -inf, cu[j] = inf, obj[j] = aty;
                break;
            case 1:
                cl[j] = x0[j] - unit(rng), cu[j] = inf, obj[j] = aty + 2 * unit(rng);
                break;
            case 2:
                cl[j] = -inf, cu[j] = x0[j] + unit(rng), obj[j] = aty - 2 * unit(rng);
                break;
            default:
                cl[j] = x0[j] - unit(rng), cu[j] = x0[j] + unit(rng), obj[j] = value(rng);
                break;
        }
    }
    for (int i = 0; i < m; ++i) {  // equalities and ranges around A x0: any dual sign fits
        double ax = 0.0;
        for (int j = 0; j < n; ++j) ax += a[i + j * m] * x0[j];
        const bool equality = unit(rng) < 0.4;
        rl[i] = equality ? ax : ax - 2 * unit(rng), ru[i] = equality ? ax : ax + 2 * unit(rng);
    }
    CoinMpsIO writer;
    writer.messageHandler()->setLogLevel(0);
    writer.setMpsData(A, inf, cl.data(), cu.data(), obj.data(), nullptr, rl.data(), ru.data(),
                      static_cast<char**>(nullptr), static_cast<char**>(nullptr));
    writer.setObjectiveOffset(value(rng));
    ASSERT_EQ(writer.writeMps(path.c_str(), 0, 1), 0);
}

// Regression: the dense back end once lost A x = b on these with too small a dual
// regularization. The sparse runs skip the presolve so that path meets the oracle too.
TEST(RandomLps, AgreeWithClpWithBothBackEnds) {
    if (!clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const std::string path = tempPath("random") + ".mps";
    for (unsigned seed = 60; seed <= 85; ++seed) {
        writeFeasibleLp(seed, path);
        for (auto la : {LinearAlgebra::Dense, LinearAlgebra::Sparse, LinearAlgebra::Normal})
            expectClpVerdict(path, la, la == LinearAlgebra::Dense);
    }
    std::remove(path.c_str());
}

// Grid flows plus three columns with an entry in every row: the normal equations keep those
// columns as a border, so their factor stays sparse (m^2 / 2 entries otherwise).
TEST(DenseColumns, StayOutOfTheNormalEquationsFactorAndAgreeWithClp) {
    if (!clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const std::string path = tempPath("dense_columns") + ".mps";
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> entry(0.5, 1.5), cost(-40.0, 10.0);
    for (const std::size_t side : {12u, 24u}) {
        lpsolve::LpModel lp = lpgen::gridFlow(side, side, side);
        lpsolve::CscMatrix& A = lp.A;
        for (int d = 0; d < 3; ++d, ++A.cols) {
            for (std::size_t i = 0; i < A.rows; ++i)
                A.rowIndex.push_back(i), A.value.push_back(entry(rng));
            A.colStart.push_back(A.rowIndex.size());
            lp.objective.push_back(cost(rng)), lp.colLower.push_back(0.0),
                lp.colUpper.push_back(5.0);
        }
        EXPECT_EQ(lpsolve::automaticChoice({&A}), LinearAlgebra::Normal);
        const auto report = lpsolve::makeKktSolver({&A}, LinearAlgebra::Normal)
                                ->factor({std::vector<double>(A.cols, 1.0), 0.0, 1e-10});
        EXPECT_TRUE(report.factored && report.inertiaOk);
        EXPECT_LT(report.factorEntries, 20 * A.rows) << side;
        ASSERT_TRUE(lpgen::writeMps(lp, path));
        for (auto la : {LinearAlgebra::Normal, LinearAlgebra::Sparse}) expectClpVerdict(path, la);
    }
    std::remove(path.c_str());
}

// The program on `args`, split at blanks.
ProgramRun run(const std::string& args) {
    std::istringstream words(args);
    return runProgram(LPSOLVE_BINARY, {std::istream_iterator<std::string>(words), {}});
}

// Blank line, presolve summary, table header, one row per iteration from 0, blank, summary; --quiet
// drops the table.
TEST(Program, SolvesAfiroAndPrintsTheTableAndSummary) {
    const std::string afiro = sampleFile("afiro.mps");
    const ProgramRun r = run(afiro);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    std::vector<std::string> lines;
    std::istringstream text(r.out);
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    std::size_t iterations = 0;
    for (const auto& line : lines) std::sscanf(line.c_str(), "Iterations: %zu", &iterations);
    ASSERT_GT(iterations, 0u) << r.out;
    ASSERT_GE(lines.size(), iterations + 5) << r.out;
    EXPECT_EQ(lines[0] + lines[iterations + 4], "");
    EXPECT_EQ(lines[1].rfind("LP preprocessing removed", 0), 0u) << lines[1];
    EXPECT_NE(lines[2].find("Iter"), std::string::npos) << lines[2];
    for (std::size_t k = 0; k <= iterations; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%5zu  ", k);
        EXPECT_EQ(lines[3 + k].rfind(expected, 0), 0u) << lines[3 + k];
    }
    for (const char* expected :
         {"Status:        optimal", "Objective:", "Max violation:", "Time:", "Peak memory:"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " missing in\n" << r.out;
    const ProgramRun quiet = run("--quiet " + afiro);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out.find("Iter "), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("Objective:"), std::string::npos);
}

TEST(Program, FailuresExitNonZeroWithAMessageAndNoSolution) {
    const std::string afiro = sampleFile("afiro.mps"), garbage = tempPath("garbage") + ".mps";
    std::ofstream(garbage) << "this is not\nan MPS file at all\n";
    const struct {
        std::string args;
        int code;
        const char* words;
    } cases[] = {
        {dataFile("no-such-problem.mps"), 2, "no-such-problem.mps"},
        {sampleFile("galenet.mps"), 3, "infeasible"},
        {dataFile("infeasible.mps"), 3, "infeasible"},
        {dataFile("unbounded.mps"), 4, "unbounded"},
        {"--tol -1 " + afiro, 1, "--tol"},
        {"--frobnicate " + afiro, 1, "--frobnicate"},
        {"", 1, "no MPS file"},
        {"--max-iter 2 " + afiro, 6, "iteration limit"},
        {garbage, 2, "MPS"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.args << ": " << r.err;
        for (const char* solutionWord : {"Objective:", "optimal"})
            EXPECT_EQ(r.out.find(solutionWord), std::string::npos) << c.args << ": " << r.out;
    }
    std::remove(garbage.c_str());
}

}  // namespace
