// Preprocessing summary: argument order, change word and magnitude, plain-form sign widening, the
// English text, catalog failures.
#include <gtest/gtest.h>

#include <climits>

#include "kaldor/testing/catalog.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/support/host_guard.hpp"

namespace kt = kaldor::testing;

TEST(PreprocessorDisplay, ChangeWordAndMagnitude) {
    HostLeakGuard guard;
    kt::ScopedCatalogText summary{"LPPreprocessorDisplay", u"<{0}|{1}|{2}|{3}|{4}>"};
    kt::ScopedCatalogText added{"added", u"ADDED"};
    kt::ConsoleCapture capture;
    const auto expect = [&](const std::string& want, auto print) {
        capture.clear();
        print();
        EXPECT_EQ(capture.text(), "\n<" + want + ">\n");
    };
    for (SolverName S :
         {SolverName(1), SolverName(0), SolverName(9), SolverName(-1), SolverName(42)}) {
        expect("3|2|1||7", [&] { printPreprocessorDisplay(S, 3, 2, 1, 7); });
        expect("3|2|1|ADDED |7", [&] { printPreprocessorDisplay(S, 3, 2, 1, -7); });
        expect("3|2|1|ADDED |0", [&] { printPreprocessorDisplay(S, 3, 2, 1, 0); });
    }
    expect("18446744073709551615|0|5|ADDED |9223372036854775808",
           [] { printPreprocessorDisplay(SolverName::DualSimplex, ULONG_MAX, 0, 5, LONG_MIN); });
    expect("4|5|6|ADDED |2147483648", [] { printPreprocessorDisplay(4, 5, 6, INT_MIN); });
}

// The change word is fetched before anything is written; nothing is flushed.
TEST(PreprocessorDisplay, EnglishTextAndCatalogFailures) {
    HostLeakGuard guard;
    const auto flushes = kt::flushCount();
    kt::ConsoleCapture capture;
    printPreprocessorDisplay(SolverName::InteriorPoint, 3, 2, 1, -7);
    EXPECT_EQ(capture.text(),
              "\nLP preprocessing removed 3 inequalities, 2 equalities, 1 variables, and added 7 "
              "nonzero elements.\n");
    capture.clear();
    for (const char* key : {"added", "LPPreprocessorDisplay"}) {
        kt::ScopedCatalogFailure fail(key);
        EXPECT_THROW(printPreprocessorDisplay(SolverName::DualSimplex, 1, 1, 1, 0),
                     hostcore::IUserException);
    }
    EXPECT_EQ(capture.text(), "\n");
    EXPECT_EQ(kt::flushCount(), flushes);
}
