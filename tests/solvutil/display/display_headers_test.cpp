// Header cache: one catalog look-up per key and SolverName, the same array afterwards,
// and a failed fetch that leaves the cache unbuilt for a later retry. Each test uses
// SolverNames no other test of this program touches, so they hold in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/display/layouts.hpp"
#include "tests/solvutil/display/display_test_support.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::catalogLookups;

namespace {

const std::vector<std::string> kAllKeys = {
    "Iter", "Time", "Fval", "Resnorm", "PrimalInfeas", "DualInfeas", "Complementarity",
    "BarrierParam", "StepLength", "NumCorr", "StepType", "RegType", "Fcount", "Feasibility",
    "StepNorm", "FirstOrderOpt", "PenaltyParam", "Action", "ActiveConstr"};

std::map<std::string, std::size_t> lookupCounts() {
    std::map<std::string, std::size_t> counts;
    for (const auto& key : kAllKeys) counts[key] = catalogLookups(key);
    return counts;
}

// Fetches S's headers twice and checks: each of `keys` looked up exactly once, no other
// key looked up, the second call returns the same pointer, texts are the catalog's.
template <SolverName S>
void expectFetchedOnce(const std::vector<std::string>& keys) {
    const auto before = lookupCounts();
    std::u16string* first = getDisplayHeaders<S>();
    const auto after = lookupCounts();
    std::u16string* second = getDisplayHeaders<S>();
    EXPECT_EQ(first, second);
    EXPECT_EQ(lookupCounts(), after) << "second call must not query the catalog";
    for (const auto& key : kAllKeys) {
        const std::size_t uses = static_cast<std::size_t>(std::count(keys.begin(), keys.end(), key));
        EXPECT_EQ(after.at(key) - before.at(key), uses) << key << " for SolverName " << int(S);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(hostmsg::to_string(first[i]), displaytest::catalogText(keys[i])) << i;
    }
}

}  // namespace

TEST(DisplayHeaders, FetchedOncePerKeyAndSolverName) {
    HostLeakGuard guard;
    // "Iter" belongs to every layout: it is fetched again for each SolverName.
    expectFetchedOnce<SolverName::PredictorCorrector>(
        {"Iter", "Fval", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
         "StepLength", "NumCorr"});
    expectFetchedOnce<SolverName::DualSimplex>({"Iter", "Time", "Fval", "PrimalInfeas", "DualInfeas"});
    expectFetchedOnce<SolverName::InteriorPoint>(
        {"Iter", "Fval", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
         "StepLength", "StepType"});
    expectFetchedOnce<SolverName::SequentialQP>(
        {"Iter", "Fcount", "Fval", "Feasibility", "StepLength", "StepNorm", "FirstOrderOpt",
         "PenaltyParam", "StepType"});
    expectFetchedOnce<SolverName::RegularizedPredictorCorrector>(
        {"Iter", "Fval", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
         "StepLength", "NumCorr", "RegType"});
    expectFetchedOnce<SolverName::ActiveSetPhaseOne>(
        {"Iter", "Feasibility", "StepNorm", "StepLength", "Action", "ActiveConstr", "StepType"});
}

TEST(DisplayHeaders, FailedFetchLeavesCacheUnbuiltAndRetries) {
    HostLeakGuard guard;
    const auto before = lookupCounts();
    {
        kaldor::testing::ScopedCatalogFailure fail("Resnorm");
        EXPECT_THROW(getDisplayHeaders<SolverName::InteriorPointLeastSquares>(), hostcore::IUserException);
        EXPECT_THROW(getDisplayHeaders<SolverName::InteriorPointLeastSquares>(), hostcore::IUserException);
    }
    auto mid = lookupCounts();
    EXPECT_EQ(mid["Iter"] - before.at("Iter"), 1U) << "a key fetched before the failure stays cached";
    EXPECT_EQ(mid["Resnorm"] - before.at("Resnorm"), 2U);
    EXPECT_EQ(mid["PrimalInfeas"] - before.at("PrimalInfeas"), 0U) << "fetching stops at the failure";

    std::u16string* headers = getDisplayHeaders<SolverName::InteriorPointLeastSquares>();
    const auto after = lookupCounts();
    EXPECT_EQ(after.at("Iter"), mid["Iter"]);
    EXPECT_EQ(after.at("Resnorm") - mid["Resnorm"], 1U);
    EXPECT_EQ(after.at("StepType") - mid["StepType"], 1U);
    EXPECT_EQ(headers, getDisplayHeaders<SolverName::InteriorPointLeastSquares>());
    EXPECT_EQ(hostmsg::to_string(headers[1]), displaytest::catalogText("Resnorm"));
    EXPECT_EQ(hostmsg::to_string(headers[7]), displaytest::catalogText("StepType"));
}

TEST(DisplayHeaders, FailedFetchInsideDisplayPrintsAndFlushesNothing) {
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture capture;
    const auto flushes = kaldor::testing::flushCount();
    {
        kaldor::testing::ScopedCatalogFailure fail("RegType");
        EXPECT_THROW(printIterativeDisplay(SolverName::RegularizedPredictorCorrectorLeastSquares, true,
                                           true, 9UL, 1UL, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 2UL, "none"),
                     hostcore::IUserException);
    }
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(kaldor::testing::flushCount(), flushes);
    printIterativeDisplay(SolverName::RegularizedPredictorCorrectorLeastSquares, true, true, 9UL, 1UL,
                          1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 2UL, "none");
    EXPECT_EQ(kaldor::testing::flushCount(), flushes + 1);
    EXPECT_NE(capture.text().find("Resnorm"), std::string::npos);
}

TEST(DisplayHeaders, LeastSquaresMembersHaveTheirOwnArrays) {
    std::u16string* plain = getDisplayHeaders<SolverName::ActiveSet>();
    std::u16string* squares = getDisplayHeaders<SolverName::ActiveSetLeastSquares>();
    EXPECT_NE(plain, squares);
    EXPECT_EQ(hostmsg::to_string(plain[1]), displaytest::catalogText("Fval"));
    EXPECT_EQ(hostmsg::to_string(squares[1]), displaytest::catalogText("Resnorm"));
    EXPECT_EQ(plain[0], squares[0]);
    EXPECT_NE(&plain[0], &squares[0]);
}
