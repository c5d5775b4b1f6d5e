// The solver's verdicts on random LPs and QPs with a planted answer, against the plan and
// against Clp (LPs) or cvxopt.solvers.qp (QPs), with every back end. LPSOLVE_FAMILY_SIZE
// sets the LPs per family (default 30).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "examples/lpsolve/mps_reader.hpp"
#include "tests/examples/lpsolve/planted.hpp"

namespace {

using namespace lpsolve_test;
using lpsolve::IpmStatus;
using LA = lpsolve::LinearAlgebra;

struct Family {
    const char* name;
    PlantedOptions options;
};

const Family kFamilies[] = {
    {"Optimal", {.kind = Planted::Optimal}},
    {"Infeasible", {.kind = Planted::Infeasible}},
    {"Unbounded", {.kind = Planted::Unbounded}},
    {"DegenerateRankDeficient", {.kind = Planted::Optimal, .degenerate = true}},
    {"OptimalRescaled", {.kind = Planted::Optimal, .rescale = 9.0}},
    {"InfeasibleRescaled", {.kind = Planted::Infeasible, .rescale = 9.0}},
    {"UnboundedRescaled", {.kind = Planted::Unbounded, .rescale = 9.0}},
    {"LargeOptima", {.kind = Planted::Optimal, .magnitude = 10.0}},
};

class PlantedFamily : public ::testing::TestWithParam<Family> {};

TEST_P(PlantedFamily, VerdictsAgreeWithThePlanAndWithClp) {
    const Family& family = GetParam();
    const std::string path = tempPath(family.name) + ".mps";
    const char* size = std::getenv("LPSOLVE_FAMILY_SIZE");
    const unsigned count = size != nullptr ? unsigned(std::strtoul(size, nullptr, 10)) : 30u;
    for (unsigned seed = 1; seed <= count; ++seed) {
        const PlantedLp p = plantedLp(seed * 7919u + unsigned(family.options.kind), family.options);
        writeMps(p.lp, path);
        const std::string what = std::string(family.name) + " seed " + std::to_string(seed);
        const Verdict clp = runClp(path);
        EXPECT_EQ(clp.status, IpmStatus(family.options.kind)) << what << " Clp\n" << clp.output;
        if (clp.status == IpmStatus::Optimal) {
            EXPECT_NEAR(clp.objective, p.objective, 1e-6 * std::max(1.0, std::fabs(p.objective)));
        }
        // The sparse runs skip the presolve, so that the method meets every verdict too.
        // Rescaled rows measure their violation in other units.
        for (auto la : {LA::Dense, LA::Sparse, LA::Normal})
            expectVerdict(path, la, IpmStatus(family.options.kind), p.objective, what,
                          la != LA::Sparse, family.options.rescale > 0 ? lpsolve::kInf : 1e-5);
    }
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Lpsolve, PlantedFamily, ::testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.name); });

// 70 QPs each with a dense Q of full rank, a dense Q of rank 0.4 n and a sparse Q of rank
// <= n / 2; every row and bound kind, active and inactive. cvxopt must meet the plan too.
TEST(PlantedQp, BothBackEndsAgreeWithCvxoptAndThePlantedOptimum) {
    const PlantedOptions families[] = {
        {.rankFraction = 1.0}, {.rankFraction = 0.4}, {.sparseQ = true, .rankFraction = 0.5}};
    std::vector<PlantedLp> qps;
    for (const PlantedOptions& family : families) {
        for (unsigned seed = 0; seed < 70; ++seed)
            qps.push_back(plantedQp(seed + 1000 * unsigned(qps.size()), family));
    }
    std::vector<const lpsolve::LpModel*> models;
    for (const PlantedLp& qp : qps) models.push_back(&qp.lp);
    const std::vector<double> cvx = cvxoptObjectives(models);
    ASSERT_EQ(cvx.size(), qps.size());
    const std::string file = tempPath("planted_qp.mps");
    for (std::size_t k = 0; k < qps.size(); ++k) {
        const std::string what = "QP " + std::to_string(k);
        EXPECT_NEAR(cvx[k], qps[k].objective, 1e-6 * std::max(1.0, std::fabs(qps[k].objective)))
            << what << " (cvxopt: NaN when it found no optimum)";
        writeMps(qps[k].lp, file);
        for (auto la : {LA::Dense, LA::Sparse})
            expectVerdict(file, la, IpmStatus::Optimal, cvx[k], what);
    }
    std::remove(file.c_str());
}

TEST(SampleQp, Share2qpAgreesWithCvxopt) {
    const std::string file = std::string(LPSOLVE_SAMPLE_DIR) + "/share2qp.mps";
    const lpsolve::LpModel lp = lpsolve::readMps(file, true);
    ASSERT_GT(lp.Q.nnz(), 0u);
    const std::vector<double> cvx = cvxoptObjectives({&lp});
    ASSERT_EQ(cvx.size(), 1u);
    for (auto la : {LA::Dense, LA::Sparse})
        expectVerdict(file, la, IpmStatus::Optimal, cvx[0], "share2qp");
}

}  // namespace
