// Header cache: one catalog look-up per key and SolverName, the same array afterwards, and a
// failed fetch that leaves the cache unbuilt for a retry. Each test uses its own SolverNames.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/layouts.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::ScopedCatalogFailure;

namespace {

std::string catalogText(const std::string& key) {
    const hostmsg::BaseMsgID id({}, "solvlib:solvUtility", key);
    return hostmsg::to_string(hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global()));
}

// Catalog look-ups of every header key so far.
std::map<std::string, std::size_t> lookups() {
    std::map<std::string, std::size_t> counts;
    for (const char* key : {"Iter", "Time", "Fval", "Resnorm", "PrimalInfeas", "DualInfeas", "Complementarity",
                            "BarrierParam", "StepLength", "NumCorr", "StepType", "RegType", "Fcount", "Feasibility",
                            "StepNorm", "FirstOrderOpt", "PenaltyParam", "Action", "ActiveConstr"})
        counts[key] = kaldor::testing::catalogLookups(key);
    return counts;
}

template <SolverName S>
void expectFetchedOnce(const std::vector<std::string>& keys) {
    auto expected = lookups();
    for (const auto& key : keys) ++expected[key];
    std::u16string* first = getDisplayHeaders<S>();
    EXPECT_EQ(getDisplayHeaders<S>(), first);
    EXPECT_EQ(lookups(), expected) << "each key once, nothing on the second call; SolverName " << int(S);
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(hostmsg::to_string(first[i]), catalogText(keys[i])) << i;
}

}  // namespace

TEST(DisplayHeaders, FetchedOncePerKeyAndSolverName) {
    HostLeakGuard guard;
    expectFetchedOnce<SolverName::PredictorCorrector>({"Iter", "Fval", "PrimalInfeas", "DualInfeas",
        "Complementarity", "BarrierParam", "StepLength", "NumCorr"});
    expectFetchedOnce<SolverName::DualSimplex>({"Iter", "Time", "Fval", "PrimalInfeas", "DualInfeas"});
    expectFetchedOnce<SolverName::InteriorPoint>({"Iter", "Fval", "PrimalInfeas", "DualInfeas", "Complementarity",
        "BarrierParam", "StepLength", "StepType"});
    expectFetchedOnce<SolverName::SequentialQP>({"Iter", "Fcount", "Fval", "Feasibility", "StepLength", "StepNorm",
        "FirstOrderOpt", "PenaltyParam", "StepType"});
    expectFetchedOnce<SolverName::RegularizedPredictorCorrector>({"Iter", "Fval", "PrimalInfeas", "DualInfeas",
        "Complementarity", "BarrierParam", "StepLength", "NumCorr", "RegType"});
    expectFetchedOnce<SolverName::ActiveSetPhaseOne>({"Iter", "Feasibility", "StepNorm", "StepLength", "Action",
        "ActiveConstr", "StepType"});
    // The least-squares member of a pair has an array of its own.
    EXPECT_EQ(hostmsg::to_string(getDisplayHeaders<SolverName::ActiveSet>()[1]), catalogText("Fval"));
    EXPECT_EQ(hostmsg::to_string(getDisplayHeaders<SolverName::ActiveSetLeastSquares>()[1]), catalogText("Resnorm"));
}

TEST(DisplayHeaders, FailedFetchLeavesCacheUnbuiltAndRetries) {
    HostLeakGuard guard;
    auto expected = lookups();
    {
        ScopedCatalogFailure fail("Resnorm");
        EXPECT_THROW(getDisplayHeaders<SolverName::InteriorPointLeastSquares>(), hostcore::IUserException);
        EXPECT_THROW(getDisplayHeaders<SolverName::InteriorPointLeastSquares>(), hostcore::IUserException);
    }
    expected["Iter"] += 1;  // fetched before the failure, stays cached; nothing after Resnorm is fetched
    expected["Resnorm"] += 2;
    EXPECT_EQ(lookups(), expected);
    std::u16string* headers = getDisplayHeaders<SolverName::InteriorPointLeastSquares>();
    for (const char* key : {"Resnorm", "PrimalInfeas", "DualInfeas", "Complementarity", "BarrierParam",
                            "StepLength", "StepType"})
        ++expected[key];
    EXPECT_EQ(lookups(), expected);
    EXPECT_EQ(headers, getDisplayHeaders<SolverName::InteriorPointLeastSquares>());
    EXPECT_EQ(hostmsg::to_string(headers[1]), catalogText("Resnorm"));
    EXPECT_EQ(hostmsg::to_string(headers[7]), catalogText("StepType"));
}

TEST(DisplayHeaders, FailedFetchInsideDisplayPrintsAndFlushesNothing) {
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture capture;
    const auto flushes = kaldor::testing::flushCount();
    const auto print = [] {
        printIterativeDisplay(SolverName::RegularizedPredictorCorrectorLeastSquares, true, true, 9UL, 1UL, 1.0,
                              1.0, 1.0, 1.0, 1.0, 1.0, 2UL, "none");
    };
    {
        ScopedCatalogFailure fail("RegType");
        EXPECT_THROW(print(), hostcore::IUserException);
    }
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(kaldor::testing::flushCount(), flushes);
    print();
    EXPECT_EQ(kaldor::testing::flushCount(), flushes + 1);
    EXPECT_NE(capture.text().find("Resnorm"), std::string::npos);
}
