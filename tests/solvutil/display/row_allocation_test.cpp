// The row path of the iterative display allocates no heap memory: this program replaces
// the global operator new with a counting one and prints rows into a console capture
// whose buffer has already grown.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

#include "kaldor/testing.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "tests/support/counting_new.hpp"

namespace {

long lineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

void rows(unsigned count) {
    const double inf = std::numeric_limits<double>::infinity();
    for (unsigned i = 0; i < count; ++i) {
        printIterativeDisplay(SolverName::InteriorPoint, false, false, 8UL, 12UL, -1.25e3, 3.5e-9,
                              inf, 1e-300, std::numeric_limits<double>::quiet_NaN(), 0.98, "corrector");
        printIterativeDisplay(SolverName::DualSimplex, false, true, 5UL, 3UL, 0.5, -12.5, 0.0, 1.0);
        printIterativeDisplay(false, true, 7UL, 0.25, 1.0, 1e-9, 2.0, -1.0);
        printIterativeDisplay(SolverName::SequentialQP, false, false, 9UL, 1UL, 2UL, 1.0, 2.0, 3.0,
                              4.0, 5.0, 6.0, "a text longer than its sixteen-wide field");
    }
}

}  // namespace

TEST(DisplayRowAllocation, RowsAllocateNothing) {
    kaldor::testing::ConsoleCapture capture;
    rows(50);  // grows the capture's buffer once
    capture.clear();
    const std::size_t before = countedAllocations();
    rows(50);
    EXPECT_EQ(countedAllocations() - before, 0U);
    EXPECT_EQ(lineCount(capture.text()), 200);

    // The counter does see what the display allocates: headers and the summary build strings.
    capture.clear();
    const std::size_t beforeHeader = countedAllocations();
    printIterativeDisplay(SolverName::SequentialQP, true, false, 9UL, 1UL, 2UL, 1.0, 2.0, 3.0, 4.0,
                          5.0, 6.0, "x");
    printPreprocessorDisplay(SolverName::DualSimplex, 1, 2, 3, -4);
    EXPECT_GT(countedAllocations() - beforeHeader, 0U);
}
