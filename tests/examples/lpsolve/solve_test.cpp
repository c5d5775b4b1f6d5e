// The solver against Clp on CoinUtils' samples and our own files; the KKT choice on dense
// columns; the program's output as a user sees it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/tools/lp_families.hpp"
#include "tests/examples/lpsolve/planted.hpp"

namespace {

using namespace lpsolve_test;
using LA = lpsolve::LinearAlgebra;

// A file of ours (data/) or else a CoinUtils sample, by stem.
std::string mpsFile(const std::string& stem) {
    const std::string own = std::string(LPSOLVE_TEST_DATA) + "/" + stem + ".mps";
    return std::ifstream(own) ? own : std::string(LPSOLVE_SAMPLE_DIR) + "/" + stem + ".mps";
}

class AgreesWithClp : public ::testing::TestWithParam<std::string> {};

TEST_P(AgreesWithClp, SameVerdictAndObjectiveWithEveryBackEnd) {
    const std::string file = mpsFile(GetParam());
    const Verdict clp = runClp(file);
    ASSERT_NE(clp.status, lpsolve::IpmStatus::NumericalFailure) << clp.output;
    for (auto la : {LA::Dense, LA::Sparse, LA::Normal})
        expectVerdict(file, la, clp.status, clp.objective, GetParam());
}

// Integer-free samples (atm_5_10_1's BV bounds relaxed as by Clp); ranges_free: ranges, free
// columns, an objective constant; infeasible_free_ray: infeasible rows and an empty column
// whose cost falls without bound. The rest once got wrong verdicts (bounds of 2e8, 1e15, a
// coefficient of 1e-9, a cost of 1e308, Klee-Minty cubes, a negated distribution model).
INSTANTIATE_TEST_SUITE_P(Lpsolve, AgreesWithClp,
                         ::testing::Values("afiro", "brandy", "e226", "finnis", "galenet",
                                           "galenetbnds", "hello", "atm_5_10_1", "ranges_free",
                                           "ranges_free_freeformat", "unbounded", "infeasible",
                                           "infeasible_free_ray", "big_bound_row",
                                           "big_bound_column", "tiny_coefficient", "huge_cost",
                                           "redundant_huge_row_bound", "klee_minty_15",
                                           "klee_minty_20", "distribution_negated"),
                         [](const auto& info) { return std::string(info.param); });

// Small systems go dense, sparse columns to the normal equations, columns that all pair many
// rows to the augmented system. Grid flows plus three columns with an entry in every row:
// the normal equations keep those as a border, so their factor stays sparse (m^2 / 2
// entries otherwise), and the solve agrees with Clp.
TEST(DenseColumns, StayOutOfTheNormalEquationsFactorAndAgreeWithClp) {
    const lpsolve::CscMatrix full = csc(30, 500, std::vector<double>(30 * 500, 1.0));
    EXPECT_TRUE(lpsolve::denseColumns(full).empty());
    EXPECT_EQ(lpsolve::automaticChoice({&full}), LA::Sparse);
    EXPECT_EQ(lpsolve::makeKktSolver({&full}, LA::Augmented)->name(), "sparse");
    const std::string path = tempPath("dense_columns") + ".mps";
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> entry(0.5, 1.5), cost(-40.0, 10.0);
    for (const std::size_t side : {12u, 24u}) {
        lpsolve::LpModel lp = lpgen::gridFlow(side, side, side);
        lpsolve::CscMatrix& A = lp.A;
        EXPECT_EQ(lpsolve::automaticChoice({&A}, 20000), LA::Dense);
        for (int d = 0; d < 3; ++d, ++A.cols) {
            for (std::size_t i = 0; i < A.rows; ++i) {
                A.rowIndex.push_back(i);
                A.value.push_back(entry(rng));
            }
            A.colStart.push_back(A.rowIndex.size());
            lp.objective.push_back(cost(rng));
            lp.colLower.push_back(0.0);
            lp.colUpper.push_back(5.0);
        }
        EXPECT_EQ(lpsolve::denseColumns(A).size(), 3u);
        EXPECT_EQ(lpsolve::automaticChoice({&A}), LA::Normal);
        const auto report = lpsolve::makeKktSolver({&A}, LA::Normal)
                                ->factor({std::vector<double>(A.cols, 1.0), 0.0, 1e-10});
        EXPECT_TRUE(report.factored && report.inertiaOk);
        EXPECT_LT(report.factorEntries, 20 * A.rows) << side;
        ASSERT_TRUE(lpgen::writeMps(lp, path));
        const Verdict clp = runClp(path);
        for (auto la : {LA::Normal, LA::Sparse})
            expectVerdict(path, la, clp.status, clp.objective, "dense");
    }
    std::remove(path.c_str());
}

// Blank line, presolve summary, table header, one row per iteration from 0, blank, summary.
TEST(Program, SolvesAfiroAndPrintsTheTableAndSummary) {
    const ProgramRun r = runProgram(LPSOLVE_BINARY, {mpsFile("afiro")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
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
}

}  // namespace
