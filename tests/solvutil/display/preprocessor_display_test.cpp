// The preprocessing summary: argument order, change word and magnitude for positive, zero
// and negative counts (solver kind ignored), the plain form's sign widening, catalog failures.
#include <gtest/gtest.h>

#include <climits>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::ConsoleCapture;
using kaldor::testing::catalogLookups;

TEST(PreprocessorDisplay, ChangeWordAndMagnitude) {
    HostLeakGuard guard;
    kaldor::testing::ScopedCatalogText summary{"LPPreprocessorDisplay", u"<{0}|{1}|{2}|{3}|{4}>"};
    kaldor::testing::ScopedCatalogText added{"added", u"ADDED"};
    ConsoleCapture capture;
    const auto expect = [&](const std::string& want, auto print) {
        capture.clear();
        print();
        EXPECT_EQ(capture.text(), "\n<" + want + ">\n");
    };
    for (int s : {1, 0, 9, -1, 42}) {
        const auto S = static_cast<SolverName>(s);
        expect("3|2|1||7", [&] { printPreprocessorDisplay(S, 3, 2, 1, 7); });
        expect("3|2|1|ADDED |7", [&] { printPreprocessorDisplay(S, 3, 2, 1, -7); });
        expect("3|2|1|ADDED |0", [&] { printPreprocessorDisplay(S, 3, 2, 1, 0); });
    }
    expect("18446744073709551615|0|5|ADDED |9223372036854775808",
           [] { printPreprocessorDisplay(SolverName::DualSimplex, ULONG_MAX, 0, 5, LONG_MIN); });
    expect("0|0|0||9223372036854775807", [] { printPreprocessorDisplay(SolverName::DualSimplex, 0, 0, 0, LONG_MAX); });
    expect("4|5|6|ADDED |1", [] { printPreprocessorDisplay(4, 5, 6, -1); });
    expect("4|5|6||1", [] { printPreprocessorDisplay(4, 5, 6, 1); });
    expect("4|5|6|ADDED |2147483648", [] { printPreprocessorDisplay(4, 5, 6, INT_MIN); });
    expect("4|5|6||2147483647", [] { printPreprocessorDisplay(4, 5, 6, INT_MAX); });
}

// English text; both texts looked up on every call, "added" only for non-positive counts.
TEST(PreprocessorDisplay, EnglishTextAndLookupsEveryCall) {
    const auto summaries = catalogLookups("LPPreprocessorDisplay"), addeds = catalogLookups("added");
    ConsoleCapture capture;
    printPreprocessorDisplay(SolverName::InteriorPoint, 3, 2, 1, -7);
    EXPECT_EQ(capture.text(), "\nLP preprocessing removed 3 inequalities, 2 equalities, 1 variables, and added 7 "
                              "nonzero elements.\n");
    printPreprocessorDisplay(SolverName::InteriorPoint, 3, 2, 1, -7);
    printPreprocessorDisplay(SolverName::InteriorPoint, 3, 2, 1, 7);
    EXPECT_EQ(catalogLookups("LPPreprocessorDisplay") - summaries, 3U);
    EXPECT_EQ(catalogLookups("added") - addeds, 2U);
}

TEST(PreprocessorDisplay, CatalogFailuresPropagate) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    const auto flushes = kaldor::testing::flushCount();
    {
        kaldor::testing::ScopedCatalogFailure fail("added");
        EXPECT_THROW(printPreprocessorDisplay(SolverName::DualSimplex, 1, 1, 1, 0), hostcore::IUserException);
        EXPECT_EQ(capture.text(), "") << "the change word is fetched before anything is written";
        EXPECT_NO_THROW(printPreprocessorDisplay(SolverName::DualSimplex, 1, 1, 1, 1));
    }
    capture.clear();
    kaldor::testing::ScopedCatalogFailure fail("LPPreprocessorDisplay");
    EXPECT_THROW(printPreprocessorDisplay(SolverName::DualSimplex, 1, 1, 1, 1), hostcore::IUserException);
    EXPECT_EQ(capture.text(), "\n");
    EXPECT_EQ(kaldor::testing::flushCount(), flushes) << "the summary never flushes";
}
