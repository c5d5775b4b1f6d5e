// The row path allocates no heap memory once the console capture's buffer has grown
// (a program of its own: it replaces the global operator new with a counting one).
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "tests/support/counting_new.hpp"

namespace {

void rows(unsigned count) {
    const double inf = std::numeric_limits<double>::infinity();
    for (unsigned i = 0; i < count; ++i) {
        printIterativeDisplay(SolverName::InteriorPoint, false, false, 8UL, 12UL, -1.25e3, 3.5e-9, inf, 1e-300,
                              std::numeric_limits<double>::quiet_NaN(), 0.98, "corrector");
        printIterativeDisplay(SolverName::DualSimplex, false, true, 5UL, 3UL, 0.5, -12.5, 0.0, 1.0);
        printIterativeDisplay(false, true, 7UL, 0.25, 1.0, 1e-9, 2.0, -1.0);
        printIterativeDisplay(SolverName::SequentialQP, false, false, 9UL, 1UL, 2UL, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0,
                              "a text longer than its sixteen-wide field");
    }
}

}  // namespace

TEST(DisplayRowAllocation, RowsAllocateNothing) {
    kaldor::testing::ConsoleCapture capture;
    rows(50);
    capture.clear();
    const std::size_t before = countedAllocations();
    rows(50);
    EXPECT_EQ(countedAllocations() - before, 0U);
    const std::string text = capture.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200);
    // The counter does see the display's allocations: headers and the summary build strings.
    const std::size_t beforeHeader = countedAllocations();
    printIterativeDisplay(SolverName::SequentialQP, true, false, 9UL, 1UL, 2UL, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, "x");
    printPreprocessorDisplay(SolverName::DualSimplex, 1, 2, 3, -4);
    EXPECT_GT(countedAllocations() - beforeHeader, 0U);
}
