#include <cmath>
#include <cstdio>
#include <limits>

#include "examples/tour/tour.hpp"
#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "solvutil/host/hostio.hpp"

namespace tour {

// Progress tables of two solver kinds on a small made-up run: an interior-point method
// whose infeasibilities shrink geometrically (one-line header), and an active-set method
// (two-line header, some headers hold a line break). Then the presolve summary.
void display() {
    section("progress display: iterative tables and the preprocessing summary");
    std::fflush(stdout);  // the host console writes to standard output too

    printPreprocessorDisplay(SolverName::InteriorPoint, 3UL, 1UL, 2UL, -4L);
    const char* steps[] = {"predictor", "corrector", "corrector", "corrector"};
    double mu = 1.0;
    for (unsigned long k = 0; k < 4; ++k) {
        const double fval = -12.5 + 10.0 * mu;
        printIterativeDisplay(SolverName::InteriorPoint, k == 0, k == 3, 8UL, k, fval, 3.0 * mu,
                              0.5 * mu, mu * mu, 0.1 * mu, k == 0 ? 0.0 : 0.95, steps[k]);
        mu *= 0.05;
    }

    hostPrintf("\n");
    const double inf = std::numeric_limits<double>::infinity();
    for (unsigned long k = 0; k < 3; ++k) {
        const double fval = 4.0 / double(k + 1);
        printIterativeDisplay(SolverName::ActiveSet, k == 0, k == 2, 9UL, k, fval,
                              k == 0 ? inf : 1e-3 / double(k), std::pow(0.1, double(k)),
                              k == 0 ? std::nan("") : 0.5 / double(k), 1.0, k == 0 ? "none" : "add",
                              2UL + k, k == 2 ? "optimal" : "descent");
    }
}

}  // namespace tour
