#include "examples/lpsolve/qp_ray.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "examples/lpsolve/certificates.hpp"

namespace lpsolve {

std::optional<std::vector<double>> findQpRay(const StandardForm& sf, const IpmOptions& options,
                                             double tol) {
    const std::size_t n = sf.cols(), m = sf.rows();
    // Rows: the m rows of A, then the rows of Q that have entries (Q is symmetric, so its
    // column j is its row j).
    std::vector<std::size_t> qRow(n, 0);
    std::size_t rows = m;
    for (std::size_t j = 0; j < n; ++j) {
        if (sf.Q.colStart[j + 1] > sf.Q.colStart[j]) qRow[j] = rows++;
    }
    LpModel lp;
    lp.A.rows = rows;
    lp.A.cols = n;
    lp.A.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = sf.A.colStart[j]; k < sf.A.colStart[j + 1]; ++k)
            lp.A.rowIndex.push_back(sf.A.rowIndex[k]), lp.A.value.push_back(sf.A.value[k]);
        for (std::size_t k = sf.Q.colStart[j]; k < sf.Q.colStart[j + 1]; ++k)
            lp.A.rowIndex.push_back(qRow[sf.Q.rowIndex[k]]), lp.A.value.push_back(sf.Q.value[k]);
        lp.A.colStart.push_back(lp.A.rowIndex.size());
        lp.colLower.push_back(std::isfinite(sf.lower[j]) ? 0.0 : -1.0);
        lp.colUpper.push_back(std::isfinite(sf.upper[j]) ? 0.0 : 1.0);
    }
    // Q's rows come out of column order; sort each column's row indices.
    for (std::size_t j = 0; j < n; ++j) {
        const auto begin = static_cast<long>(lp.A.colStart[j]);
        const auto end = static_cast<long>(lp.A.colStart[j + 1]);
        std::vector<std::pair<std::size_t, double>> col;
        for (long k = begin; k < end; ++k)
            col.emplace_back(lp.A.rowIndex[static_cast<std::size_t>(k)],
                             lp.A.value[static_cast<std::size_t>(k)]);
        std::sort(col.begin(), col.end());
        for (std::size_t k = 0; k < col.size(); ++k) {
            lp.A.rowIndex[static_cast<std::size_t>(begin) + k] = col[k].first;
            lp.A.value[static_cast<std::size_t>(begin) + k] = col[k].second;
        }
    }
    lp.objective = sf.c;
    lp.rowLower.assign(rows, 0.0);
    lp.rowUpper.assign(rows, 0.0);
    const StandardForm rayForm = toStandardForm(lp);
    const IpmResult r = solveIpm(rayForm, options, nullptr);
    if (r.status != IpmStatus::Optimal || !(r.objective < 0.0)) return std::nullopt;
    std::vector<double> d = modelColumns(rayForm, r.x);
    if (!checkRay(sf, d, tol).holds) return std::nullopt;
    return d;
}

}  // namespace lpsolve
