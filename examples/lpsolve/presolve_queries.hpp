#pragma once
// The two questions the presolve step asks about a matrix, answered by solvutil's
// presolve gateways on host-array copies of the model.
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

struct NonzeroCounts {
    std::vector<double> perColumn;  ///< A.cols entries
    std::vector<double> perRow;     ///< A.rows entries
};

/// Stored entries per column and per row.
NonzeroCounts nonzeroCounts(const CscMatrix& A);

struct ImpliedRowBounds {
    std::vector<double> lower;  ///< least value of each row activity over the column bounds
    std::vector<double> upper;  ///< greatest value
};

/// Row-activity bounds implied by colLower <= x <= colUpper (IEEE arithmetic: an infinite
/// bound makes the implied bound infinite).
ImpliedRowBounds impliedRowBounds(const CscMatrix& A, const std::vector<double>& colLower,
                                  const std::vector<double>& colUpper);

}  // namespace lpsolve
