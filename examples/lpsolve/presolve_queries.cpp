#include "examples/lpsolve/presolve_queries.hpp"

namespace lpsolve {

NonzeroCounts nonzeroCounts(const CscMatrix& A) {
    NonzeroCounts c;
    c.perColumn.assign(A.cols, 0.0);
    c.perRow.assign(A.rows, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j) {
        c.perColumn[j] = static_cast<double>(A.colStart[j + 1] - A.colStart[j]);
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) c.perRow[A.rowIndex[k]] += 1.0;
    }
    return c;
}

ImpliedRowBounds impliedRowBounds(const CscMatrix& A, const std::vector<double>& colLower,
                                  const std::vector<double>& colUpper) {
    ImpliedRowBounds r;
    r.lower.assign(A.rows, 0.0);
    r.upper.assign(A.rows, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j) {
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            const double a = A.value[k];
            const std::size_t i = A.rowIndex[k];
            if (a > 0) {
                r.lower[i] += a * colLower[j];
                r.upper[i] += a * colUpper[j];
            } else {
                r.lower[i] += a * colUpper[j];
                r.upper[i] += a * colLower[j];
            }
        }
    }
    return r;
}

}  // namespace lpsolve
