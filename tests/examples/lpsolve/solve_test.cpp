// The solver against Clp on every pure LP of CoinUtils' samples and on our own files
// (ranges, free and fixed columns, both MPS formats, an objective constant).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"
#include "kaldor/testing.hpp"
#include "tests/examples/lpsolve/leak_guard.hpp"

namespace {

using lpsolve::IpmStatus;
using lpsolve::LinearAlgebra;
using lpsolve_test::ClpVerdict;

// Integer-free LPs of the sample directory (the ones with integer markers and the
// quadratic share2qp are not linear programs). atm_5_10_1 declares binaries through
// BV bounds; its LP relaxation is what Clp's simplex solves too.
const char* const kSamples[] = {"afiro.mps",   "brandy.mps",      "e226.mps",
                                "finnis.mps",  "galenet.mps",     "galenetbnds.mps",
                                "hello.mps",   "atm_5_10_1.mps"};
// infeasible_free_ray.mps: infeasible rows plus an empty column whose cost falls without
// bound; the presolve once called that unbounded.
const char* const kOwnFiles[] = {"ranges_free.mps", "ranges_free_freeformat.mps", "unbounded.mps",
                                 "infeasible.mps", "infeasible_free_ray.mps"};

using Param = std::tuple<std::string, LinearAlgebra>;

class AgreesWithClp : public ::testing::TestWithParam<Param> {};

TEST_P(AgreesWithClp, SameVerdictAndObjective) {
    if (!lpsolve_test::clpAvailable()) GTEST_SKIP() << "clp is not on PATH";
    const auto& [file, linearAlgebra] = GetParam();
    const auto clp = lpsolve_test::runClp(file);
    ASSERT_TRUE(clp.has_value());
    ASSERT_NE(clp->status, ClpVerdict::Status::Other) << clp->output;

    lpsolve_test::SolveLeakGuard guard;
    lpsolve::Options options;
    options.file = file;
    options.quiet = true;
    options.linearAlgebra = linearAlgebra;
    lpsolve::SolveOutcome out;
    try {
        out = lpsolve::solveFile(options);
    } catch (const lpsolve::LpError& e) {
        // The presolve may find the verdict before any iteration.
        const auto expected = clp->status == ClpVerdict::Status::PrimalInfeasible
                                  ? lpsolve::ExitCode::Infeasible
                                  : lpsolve::ExitCode::Unbounded;
        EXPECT_NE(clp->status, ClpVerdict::Status::Optimal) << e.what();
        EXPECT_EQ(e.code(), expected) << e.what();
        return;
    }
    EXPECT_LE(out.iterations, 100u);
    switch (clp->status) {
        case ClpVerdict::Status::Optimal: {
            ASSERT_EQ(out.status, IpmStatus::Optimal) << out.message;
            const double scale = std::max(1.0, std::fabs(clp->objective));
            EXPECT_NEAR(out.objective, clp->objective, 1e-6 * scale);
            EXPECT_LT(out.maxViolation, 1e-5 * scale);
            break;
        }
        case ClpVerdict::Status::PrimalInfeasible:
            EXPECT_EQ(out.status, IpmStatus::Infeasible) << out.message;
            break;
        case ClpVerdict::Status::DualInfeasible:
            EXPECT_EQ(out.status, IpmStatus::Unbounded) << out.message;
            break;
        case ClpVerdict::Status::Other:
            break;
    }
}

std::vector<Param> allCases() {
    std::vector<Param> cases;
    for (LinearAlgebra la : {LinearAlgebra::Dense, LinearAlgebra::Sparse}) {
        for (const char* f : kSamples) cases.emplace_back(lpsolve_test::sampleFile(f), la);
        for (const char* f : kOwnFiles) cases.emplace_back(lpsolve_test::dataFile(f), la);
    }
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<Param>& info) {
    std::string file = std::get<0>(info.param);
    file = file.substr(file.find_last_of('/') + 1);
    file = file.substr(0, file.find('.'));
    std::replace(file.begin(), file.end(), '-', '_');
    return file + (std::get<1>(info.param) == LinearAlgebra::Dense ? "_dense" : "_sparse");
}

INSTANTIATE_TEST_SUITE_P(Samples, AgreesWithClp, ::testing::ValuesIn(allCases()), caseName);

// Presolve must not change the answer: the same problem with and without it.
TEST(Solve, PresolveKeepsTheOptimum) {
    lpsolve::Options options;
    options.quiet = true;
    for (const char* f : {"brandy.mps", "e226.mps", "hello.mps"}) {
        options.file = lpsolve_test::sampleFile(f);
        options.presolve = true;
        const auto with = lpsolve::solveFile(options);
        options.presolve = false;
        const auto without = lpsolve::solveFile(options);
        ASSERT_EQ(with.status, IpmStatus::Optimal) << f;
        ASSERT_EQ(without.status, IpmStatus::Optimal) << f;
        EXPECT_NEAR(with.objective, without.objective, 1e-6 * std::max(1.0, std::fabs(without.objective))) << f;
    }
}

// The progress goes through the host console: the presolve summary, one header, then
// one row per iteration whose first column is the iteration number.
TEST(Solve, PrintsThePresolveSummaryAndOneRowPerIteration) {
    lpsolve::Options options;
    options.file = lpsolve_test::sampleFile("afiro.mps");
    kaldor::testing::ConsoleCapture console;
    const auto out = lpsolve::solveFile(options);
    const std::string text = console.text();
    ASSERT_EQ(out.status, IpmStatus::Optimal);
    EXPECT_EQ(text.find("\nLP preprocessing removed"), 0u) << text;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 2 + 1 + (out.iterations + 1)) << text;  // blank, summary, header, rows
    EXPECT_NE(lines[2].find("Iter"), std::string::npos) << lines[2];
    for (std::size_t k = 0; k <= out.iterations; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%5zu  ", k);
        EXPECT_EQ(lines[3 + k].rfind(expected, 0), 0u) << lines[3 + k];
    }
}

}  // namespace
