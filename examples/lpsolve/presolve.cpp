#include "examples/lpsolve/presolve.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/presolve_queries.hpp"

namespace lpsolve {
namespace {

double tolerance(double bound) {
    return kPresolveTolerance * (1.0 + std::fabs(bound));
}

// Per row, the sum of |a_ij| times the larger finite |bound| of column j: the size of the
// terms an implied row bound is made of, against which its rounding is measured.
std::vector<double> termMagnitudes(const LpModel& lp) {
    std::vector<double> size(lp.numRows(), 0.0);
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        double bound = 0.0;
        if (std::isfinite(lp.colLower[j])) bound = std::fabs(lp.colLower[j]);
        if (std::isfinite(lp.colUpper[j])) bound = std::max(bound, std::fabs(lp.colUpper[j]));
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k) {
            size[lp.A.rowIndex[k]] += std::fabs(lp.A.value[k]) * bound;
        }
    }
    return size;
}

// The value an empty column takes: the bound its cost pushes it to. When that bound is
// infinite the value is the finite bound, or 0, and `unbounded` is set.
double emptyColumnValue(const LpModel& lp, std::size_t j, bool& unbounded) {
    const double c = lp.objective[j], lo = lp.colLower[j], up = lp.colUpper[j];
    const double preferred = c > 0.0 ? lo : c < 0.0 ? up : std::clamp(0.0, lo, up);
    unbounded = !std::isfinite(preferred);
    if (!unbounded) return preferred;
    return std::isfinite(lo) ? lo : std::isfinite(up) ? up : 0.0;
}

// The model restricted to the marked rows and columns.
LpModel restrict(const LpModel& lp, const std::vector<char>& keepRow,
                 const std::vector<char>& keepCol, std::vector<std::size_t>& rowMap,
                 std::vector<std::size_t>& colMap) {
    std::vector<std::size_t> newRow(lp.numRows(), 0);
    std::vector<std::size_t> rows, cols;
    for (std::size_t i = 0; i < lp.numRows(); ++i) {
        if (keepRow[i]) newRow[i] = rows.size(), rows.push_back(i);
    }
    LpModel out;
    out.name = lp.name;
    out.objectiveConstant = lp.objectiveConstant;
    out.integerColumns = lp.integerColumns;
    out.A.rows = rows.size();
    out.A.colStart.push_back(0);
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        if (!keepCol[j]) continue;
        cols.push_back(j);
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k) {
            if (!keepRow[lp.A.rowIndex[k]]) continue;
            out.A.rowIndex.push_back(newRow[lp.A.rowIndex[k]]);
            out.A.value.push_back(lp.A.value[k]);
        }
        out.A.colStart.push_back(out.A.rowIndex.size());
        out.objective.push_back(lp.objective[j]);
        out.colLower.push_back(lp.colLower[j]);
        out.colUpper.push_back(lp.colUpper[j]);
    }
    out.A.cols = cols.size();
    if (hasEntries(lp.Q)) {  // the kept columns keep all their Hessian entries
        std::vector<std::size_t> newCol(lp.numCols(), 0);
        for (std::size_t k = 0; k < cols.size(); ++k) newCol[cols[k]] = k;
        out.Q.rows = out.Q.cols = cols.size();
        out.Q.colStart.assign(1, 0);
        for (std::size_t j : cols) {
            for (std::size_t k = lp.Q.colStart[j]; k < lp.Q.colStart[j + 1]; ++k) {
                out.Q.rowIndex.push_back(newCol[lp.Q.rowIndex[k]]);
                out.Q.value.push_back(lp.Q.value[k]);
            }
            out.Q.colStart.push_back(out.Q.rowIndex.size());
        }
    }
    for (std::size_t i : rows) {
        out.rowLower.push_back(lp.rowLower[i]);
        out.rowUpper.push_back(lp.rowUpper[i]);
    }
    std::vector<std::size_t> composedRows, composedCols;
    for (std::size_t i : rows) composedRows.push_back(rowMap[i]);
    for (std::size_t j : cols) composedCols.push_back(colMap[j]);
    rowMap.swap(composedRows);
    colMap.swap(composedCols);
    return out;
}

// One pass; returns false when it removed nothing.
bool presolvePass(PresolveResult& p) {
    LpModel& lp = p.reduced;
    const NonzeroCounts counts = nonzeroCounts(lp.A);
    const ImpliedRowBounds implied = impliedRowBounds(lp.A, lp.colLower, lp.colUpper);
    const std::vector<double> terms = termMagnitudes(lp);
    std::vector<char> keepRow(lp.numRows(), 1), keepCol(lp.numCols(), 1);
    bool changed = false;

    for (std::size_t i = 0; i < lp.numRows(); ++i) {
        const double lo = lp.rowLower[i], up = lp.rowUpper[i];
        const double L = implied.lower[i], U = implied.upper[i];
        const std::string name = "row " + std::to_string(p.keptRows[i]);
        if (counts.perRow[i] == 0.0) {
            if (lo > tolerance(lo) || up < -tolerance(up)) {
                throw LpError(ExitCode::Infeasible,
                              name + " has no entries but needs an activity in [" +
                                  std::to_string(lo) + ", " + std::to_string(up) + "]");
            }
        } else if (L - up > kPresolveTolerance * (std::fabs(up) + terms[i]) ||
                   lo - U > kPresolveTolerance * (std::fabs(lo) + terms[i])) {
            // Relative to the row's own magnitudes: a row in micro-units is judged like
            // the same row in mega-units.
            throw LpError(ExitCode::Infeasible,
                          name + " cannot be satisfied within the column bounds");
        } else if (!(L >= lo && U <= up)) {
            continue;  // the row can be violated (a NaN bound also lands here): keep it
        }
        keepRow[i] = 0;
        changed = true;
        if (lo == up)
            ++p.equalitiesRemoved;
        else
            ++p.inequalitiesRemoved;
        p.nonzerosRemoved += static_cast<long>(counts.perRow[i]);
    }
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        if (counts.perColumn[j] != 0.0) continue;
        if (hasEntries(lp.Q) && lp.Q.colStart[j + 1] > lp.Q.colStart[j]) continue;
        bool unbounded = false;
        const double v = emptyColumnValue(lp, j, unbounded);
        if (unbounded && p.unboundedColumn == PresolveResult::kNone)
            p.unboundedColumn = p.keptColumns[j];
        keepCol[j] = 0;
        changed = true;
        ++p.columnsRemoved;
        p.removedValue[p.keptColumns[j]] = v;
        lp.objectiveConstant += lp.objective[j] * v;
    }
    if (changed) lp = restrict(lp, keepRow, keepCol, p.keptRows, p.keptColumns);
    return changed;
}

}  // namespace

PresolveResult presolve(const LpModel& lp) {
    PresolveResult p;
    p.reduced = lp;
    p.removedValue.assign(lp.numCols(), 0.0);
    for (std::size_t j = 0; j < lp.numCols(); ++j) p.keptColumns.push_back(j);
    for (std::size_t i = 0; i < lp.numRows(); ++i) p.keptRows.push_back(i);
    while (presolvePass(p)) {
    }
    return p;
}

std::vector<double> restoreColumns(const PresolveResult& p, const std::vector<double>& x) {
    std::vector<double> out = p.removedValue;
    for (std::size_t k = 0; k < p.keptColumns.size(); ++k) out[p.keptColumns[k]] = x[k];
    return out;
}

}  // namespace lpsolve
