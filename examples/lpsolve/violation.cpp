#include "examples/lpsolve/violation.hpp"

#include <algorithm>

#include "examples/lpsolve/sparse_ops.hpp"

namespace lpsolve {

double maxViolation(const LpModel& lp, const std::vector<double>& x) {
    std::vector<double> ax;
    multiply(lp.A, x, ax);
    double v = 0.0;
    for (std::size_t i = 0; i < lp.numRows(); ++i) {
        v = std::max({v, lp.rowLower[i] - ax[i], ax[i] - lp.rowUpper[i]});
    }
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        v = std::max({v, lp.colLower[j] - x[j], x[j] - lp.colUpper[j]});
    }
    return v;
}

}  // namespace lpsolve
