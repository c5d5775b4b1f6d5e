#include <gtest/gtest.h>

#include <utility>

#include "kaldor/testing/catalog.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/layouts.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

namespace kt = kaldor::testing;

// Every layout but InteriorPointLeastSquares (left for the failure) fetches each key once.
template <std::size_t... S>
void expectFetchedOnce(std::index_sequence<S...>) {
    const std::size_t columns[] = {8, 5, 8, 8, 9, 9, 9, 7, 9, 9};
    const auto once = [&]<SolverName N>() {
        const auto total = kt::catalogLookups();
        std::u16string* first = getDisplayHeaders<N>();
        EXPECT_EQ(getDisplayHeaders<N>(), first);
        EXPECT_EQ(kt::catalogLookups() - total, columns[int(N)]) << int(N);
    };
    (..., (S == 3 ? void() : once.template operator()<SolverName(S)>()));
}

// Header cache; after a failing key nothing is printed or flushed, earlier keys stay cached, and a
// later call succeeds.
TEST(DisplayHeaders, FetchedOnceAndRetriedAfterAFailedFetch) {
    HostLeakGuard guard;
    expectFetchedOnce(std::make_index_sequence<10>());
    kt::ConsoleCapture capture;
    const auto flushes = kt::flushCount();
    const auto total = kt::catalogLookups(), iter = kt::catalogLookups("Iter");
    const auto print = [] {
        printIterativeDisplay(SolverName::InteriorPointLeastSquares, true, true, 8UL, 1UL, 1.0, 1.0,
                              1.0, 1.0, 1.0, 1.0, "none");
    };
    {
        kt::ScopedCatalogFailure fail("Resnorm");
        EXPECT_THROW(print(), hostcore::IUserException);
        EXPECT_THROW(getDisplayHeaders<SolverName::InteriorPointLeastSquares>(),
                     hostcore::IUserException);
    }
    EXPECT_EQ(kt::catalogLookups() - total, 3U);
    EXPECT_EQ(kt::catalogLookups("Iter") - iter, 1U);
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(kt::flushCount(), flushes);
    print();
    EXPECT_EQ(kt::flushCount(), flushes + 1);
    EXPECT_EQ(kt::catalogLookups() - total, 10U);
    EXPECT_NE(capture.text().find("Resnorm"), std::string::npos);
}
