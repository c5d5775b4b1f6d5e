// The preprocessing summary: change word and magnitude for positive, zero and negative
// counts, argument order, the plain form's sign widening, and catalog failures.
#include <gtest/gtest.h>

#include <climits>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::ConsoleCapture;

namespace {

// Shows the five arguments in order, separated by '|'.
struct ArgumentEcho {
    kaldor::testing::ScopedCatalogText summary{"LPPreprocessorDisplay", u"<{0}|{1}|{2}|{3}|{4}>"};
    kaldor::testing::ScopedCatalogText added{"added", u"ADDED"};
};

std::string summary(SolverName s, unsigned long a, unsigned long b, unsigned long c, long n) {
    ConsoleCapture capture;
    printPreprocessorDisplay(s, a, b, c, n);
    return capture.text();
}

std::string plainSummary(unsigned long a, unsigned long b, unsigned long c, int n) {
    ConsoleCapture capture;
    printPreprocessorDisplay(a, b, c, n);
    return capture.text();
}

}  // namespace

TEST(PreprocessorDisplay, ChangeWordAndMagnitude) {
    HostLeakGuard guard;
    ArgumentEcho echo;
    EXPECT_EQ(summary(SolverName::DualSimplex, 3, 2, 1, 7), "\n<3|2|1||7>\n");
    EXPECT_EQ(summary(SolverName::DualSimplex, 3, 2, 1, -7), "\n<3|2|1|ADDED |7>\n");
    EXPECT_EQ(summary(SolverName::DualSimplex, 3, 2, 1, 0), "\n<3|2|1|ADDED |0>\n");
    EXPECT_EQ(summary(SolverName::DualSimplex, ULONG_MAX, 0, 5, LONG_MIN),
              "\n<18446744073709551615|0|5|ADDED |9223372036854775808>\n");
    EXPECT_EQ(summary(SolverName::DualSimplex, 0, 0, 0, LONG_MAX), "\n<0|0|0||9223372036854775807>\n");
    // The solver kind has no influence, unknown values included.
    for (int s : {0, 4, 9, -1, 42}) {
        EXPECT_EQ(summary(static_cast<SolverName>(s), 3, 2, 1, -7), "\n<3|2|1|ADDED |7>\n") << s;
    }
}

TEST(PreprocessorDisplay, PlainFormWidensTheSignedCount) {
    ArgumentEcho echo;
    EXPECT_EQ(plainSummary(4, 5, 6, -1), "\n<4|5|6|ADDED |1>\n");
    EXPECT_EQ(plainSummary(4, 5, 6, 1), "\n<4|5|6||1>\n");
    EXPECT_EQ(plainSummary(4, 5, 6, INT_MIN), "\n<4|5|6|ADDED |2147483648>\n");
    EXPECT_EQ(plainSummary(4, 5, 6, INT_MAX), "\n<4|5|6||2147483647>\n");
}

TEST(PreprocessorDisplay, EnglishTextAndLookupsEveryCall) {
    const auto summaries = kaldor::testing::catalogLookups("LPPreprocessorDisplay");
    const auto addeds = kaldor::testing::catalogLookups("added");
    EXPECT_EQ(summary(SolverName::InteriorPoint, 3, 2, 1, -7),
              "\nLP preprocessing removed 3 inequalities, 2 equalities, 1 variables, and added 7 "
              "nonzero elements.\n");
    summary(SolverName::InteriorPoint, 3, 2, 1, -7);
    summary(SolverName::InteriorPoint, 3, 2, 1, 7);
    EXPECT_EQ(kaldor::testing::catalogLookups("LPPreprocessorDisplay") - summaries, 3U);
    EXPECT_EQ(kaldor::testing::catalogLookups("added") - addeds, 2U) << "only non-positive counts";
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
    {
        kaldor::testing::ScopedCatalogFailure fail("LPPreprocessorDisplay");
        EXPECT_THROW(printPreprocessorDisplay(SolverName::DualSimplex, 1, 1, 1, 1), hostcore::IUserException);
        EXPECT_EQ(capture.text(), "\n");
    }
    EXPECT_EQ(kaldor::testing::flushCount(), flushes) << "the summary never flushes";
}
