// The row path allocates no heap memory once the capture buffer has grown (replaces global operator
// new).
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "kaldor/testing/services.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "support/counting_new.hpp"

TEST(DisplayRowAllocation, RowsAllocateNothing) {
    const auto rows = [] {
        for (int i = 0; i < 50; ++i) {
            printIterativeDisplay(SolverName::InteriorPoint, false, false, 8UL, 12UL, -1.25e3,
                                  3.5e-9, std::numeric_limits<double>::infinity(), 1e-300,
                                  std::numeric_limits<double>::quiet_NaN(), 0.98, "corrector");
            printIterativeDisplay(SolverName::DualSimplex, false, true, 5UL, 3UL, 0.5, -12.5, 0.0,
                                  1.0);
            printIterativeDisplay(false, true, 7UL, 0.25, 1.0, 1e-9, 2.0, -1.0);
            printIterativeDisplay(SolverName::SequentialQP, false, false, 9UL, 1UL, 2UL, 1.0, 2.0,
                                  3.0, 4.0, 5.0, 6.0, "a text longer than its sixteen-wide field");
        }
    };
    kaldor::testing::ConsoleCapture capture;
    rows();
    capture.clear();
    std::size_t before = countedAllocations();
    rows();
    EXPECT_EQ(countedAllocations() - before, 0U);
    const std::string text = capture.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200);
    before = countedAllocations();  // the counter does see the display's own allocations
    printPreprocessorDisplay(SolverName::DualSimplex, 1, 2, 3, -4);
    EXPECT_GT(countedAllocations() - before, 0U);
}
