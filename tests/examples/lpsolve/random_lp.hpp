#pragma once
// Random LP models with every kind of row and column bound, from std::mt19937.
#include <random>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve_test {

/// m x n model, about `density` of the entries stored. Bound kinds cycle through free,
/// lower only, upper only, boxed and fixed; rows through equality, <=, >=, ranged, free.
inline lpsolve::LpModel randomLp(std::mt19937& rng, std::size_t m, std::size_t n,
                                 double density = 0.4) {
    std::uniform_real_distribution<double> value(-2.0, 2.0), unit(0.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 4);
    lpsolve::LpModel lp;
    lp.name = "RANDOM";
    lp.A.rows = m;
    lp.A.cols = n;
    lp.A.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i) {
            if (unit(rng) < density) {
                lp.A.rowIndex.push_back(i);
                lp.A.value.push_back(value(rng));
            }
        }
        lp.A.colStart.push_back(lp.A.rowIndex.size());
        lp.objective.push_back(value(rng));
        const double lo = value(rng), width = 1.0 + unit(rng);
        switch (kind(rng)) {
            case 0: lp.colLower.push_back(-lpsolve::kInf); lp.colUpper.push_back(lpsolve::kInf); break;
            case 1: lp.colLower.push_back(lo); lp.colUpper.push_back(lpsolve::kInf); break;
            case 2: lp.colLower.push_back(-lpsolve::kInf); lp.colUpper.push_back(lo); break;
            case 3: lp.colLower.push_back(lo); lp.colUpper.push_back(lo + width); break;
            default: lp.colLower.push_back(lo); lp.colUpper.push_back(lo); break;
        }
    }
    for (std::size_t i = 0; i < m; ++i) {
        const double lo = value(rng), width = 1.0 + unit(rng);
        switch (kind(rng)) {
            case 0: lp.rowLower.push_back(lo); lp.rowUpper.push_back(lo); break;
            case 1: lp.rowLower.push_back(-lpsolve::kInf); lp.rowUpper.push_back(lo); break;
            case 2: lp.rowLower.push_back(lo); lp.rowUpper.push_back(lpsolve::kInf); break;
            case 3: lp.rowLower.push_back(lo); lp.rowUpper.push_back(lo + width); break;
            default: lp.rowLower.push_back(-lpsolve::kInf); lp.rowUpper.push_back(lpsolve::kInf); break;
        }
    }
    lp.objectiveConstant = value(rng);
    return lp;
}

/// A point inside the column bounds (free columns get any value).
inline std::vector<double> pointWithinBounds(std::mt19937& rng, const lpsolve::LpModel& lp) {
    std::uniform_real_distribution<double> unit(0.0, 1.0), value(-3.0, 3.0);
    std::vector<double> x(lp.numCols());
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double lo = lp.colLower[j], up = lp.colUpper[j];
        if (std::isfinite(lo) && std::isfinite(up)) x[j] = lo + unit(rng) * (up - lo);
        else if (std::isfinite(lo)) x[j] = lo + 3.0 * unit(rng);
        else if (std::isfinite(up)) x[j] = up - 3.0 * unit(rng);
        else x[j] = value(rng);
    }
    return x;
}

/// Dense recomputation of A x.
inline std::vector<double> denseProduct(const lpsolve::LpModel& lp, const std::vector<double>& x) {
    std::vector<double> dense(lp.numRows() * lp.numCols(), 0.0), ax(lp.numRows(), 0.0);
    for (std::size_t j = 0; j < lp.numCols(); ++j)
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
            dense[lp.A.rowIndex[k] + j * lp.numRows()] += lp.A.value[k];
    for (std::size_t i = 0; i < lp.numRows(); ++i)
        for (std::size_t j = 0; j < lp.numCols(); ++j) ax[i] += dense[i + j * lp.numRows()] * x[j];
    return ax;
}

}  // namespace lpsolve_test
