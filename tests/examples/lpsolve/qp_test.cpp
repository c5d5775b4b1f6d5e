// Convex QPs: planted optima and share2qp against cvxopt.solvers.qp (run at test time), with
// the dense and the sparse augmented system; unbounded and non-convex QPs by their exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "examples/lpsolve/mps_reader.hpp"
#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/planted_qps.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;
using lpsolve::IpmStatus;
using lpsolve::LinearAlgebra;

constexpr double kAgreement = 1e-6;  // relative, in the objective

double relativeDifference(double a, double b) {
    return std::fabs(a - b) / std::max(1.0, std::fabs(b));
}

// Solves `file` with each augmented back end; returns the largest relative difference of
// the objective from `expected` (cvxopt's).
double worstDifference(const std::string& file, double expected, const std::string& what) {
    double worst = 0.0;
    for (const LinearAlgebra la : {LinearAlgebra::Dense, LinearAlgebra::Sparse}) {
        lpsolve::Options options;
        options.file = file, options.quiet = true, options.linearAlgebra = la;
        const lpsolve::SolveOutcome out = lpsolve::solveFile(options);
        EXPECT_EQ(out.status, IpmStatus::Optimal)
            << what << " " << out.linearAlgebra << ": " << out.message;
        const double diff = relativeDifference(out.objective, expected);
        EXPECT_LE(diff, kAgreement) << what << " " << out.linearAlgebra << ": " << out.objective
                                    << " against cvxopt's " << expected;
        worst = std::max(worst, diff);
    }
    return worst;
}

TEST(PlantedQp, BothBackEndsAgreeWithCvxoptAndThePlantedOptimum) {
    const QpOptions families[] = {
        {.sparseQ = false, .rankFraction = 1.0},  // dense, positive definite (almost surely)
        {.sparseQ = false, .rankFraction = 0.4},  // dense, singular
        {.sparseQ = true, .rankFraction = 0.5},   // sparse, singular
    };
    constexpr unsigned kPerFamily = 70;
    std::vector<PlantedQp> qps;
    for (const QpOptions& family : families) {
        for (unsigned seed = 0; seed < kPerFamily; ++seed)
            qps.push_back(plantedQp(seed + 1000 * static_cast<unsigned>(qps.size()), family));
    }
    std::vector<const lpsolve::LpModel*> models;
    for (const PlantedQp& qp : qps) models.push_back(&qp.lp);
    const CvxoptRun cvx = cvxoptObjectives(models);
    ASSERT_EQ(cvx.objective.size(), qps.size());
    const std::string file = tempPath("planted_qp.mps");
    double worst = 0.0;
    for (std::size_t k = 0; k < qps.size(); ++k) {
        const std::string what = "QP " + std::to_string(k);
        ASSERT_TRUE(std::isfinite(cvx.objective[k])) << what << ": cvxopt found no optimum";
        // The plan is a second, exact oracle: cvxopt must meet it too.
        EXPECT_LE(relativeDifference(cvx.objective[k], qps[k].objective), kAgreement) << what;
        writeQpMps(qps[k].lp, file);
        worst = std::max(worst, worstDifference(file, cvx.objective[k], what));
    }
    std::remove(file.c_str());
    std::printf("%zu planted QPs, 2 back ends: max relative difference from cvxopt %.2e\n",
                qps.size(), worst);
}

TEST(SampleQp, Share2qpAgreesWithCvxopt) {
    const std::string file = std::string(LPSOLVE_SAMPLE_DIR) + "/share2qp.mps";
    const lpsolve::LpModel lp = lpsolve::readMps(file, true);
    ASSERT_GT(lp.Q.nnz(), 0u);
    const CvxoptRun cvx = cvxoptObjectives({&lp});
    ASSERT_EQ(cvx.objective.size(), 1u);
    ASSERT_TRUE(std::isfinite(cvx.objective[0]));
    std::printf("share2qp: max relative difference from cvxopt %.2e\n",
                worstDifference(file, cvx.objective[0], "share2qp"));
}

TEST(PlantedQp, UnboundedAndNonConvexGetTheirExitCodes) {
    const std::string file = tempPath("verdict_qp.mps");
    const struct {
        QpKind kind;
        const char* option;
        int code;
        const char* words;
    } cases[] = {
        {QpKind::Unbounded, "--dense", 4, "unbounded"},
        {QpKind::Unbounded, "--sparse", 4, "unbounded"},
        {QpKind::NonConvex, "--dense", 7, "not convex"},
        {QpKind::NonConvex, "--sparse", 7, "not convex"},
    };
    for (const auto& c : cases) {
        for (unsigned seed = 0; seed < 8; ++seed) {
            writeQpMps(plantedQp(seed, {.kind = c.kind, .sparseQ = seed % 2 == 1}).lp, file);
            // Every other run goes through the program's second name.
            const std::string binary = seed % 2 ? LPSOLVE_QPSOLVE : LPSOLVE_BINARY;
            const ProgramRun r = runProgram(binary, {c.option, "--quiet", file});
            EXPECT_EQ(r.exitCode, c.code) << c.words << " seed " << seed << ": " << r.err;
            EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        }
    }
    std::remove(file.c_str());
}

}  // namespace
