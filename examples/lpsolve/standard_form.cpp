#include "examples/lpsolve/standard_form.hpp"

#include <string>

#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/lp_error.hpp"

namespace lpsolve {

namespace {

// Q over the kept columns. A fixed column j with value v leaves Q_ij v in the cost of each
// kept column i and 1/2 v Q_jk v' (with the other fixed columns) in the constant.
void hessianOfKeptColumns(const LpModel& lp, StandardForm& sf) {
    const CscMatrix& Q = lp.Q;
    CscMatrix& out = sf.Q;
    out.colStart.assign(1, 0);
    for (std::size_t j = 0; j < Q.cols; ++j) {
        const bool fixedJ = sf.columnOf[j] == StandardForm::kNone;
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
            const std::size_t i = Q.rowIndex[k];
            const bool fixedI = sf.columnOf[i] == StandardForm::kNone;
            if (fixedI && fixedJ) {
                sf.constant += 0.5 * sf.fixedValue[i] * Q.value[k] * sf.fixedValue[j];
            } else if (fixedJ) {
                sf.c[sf.columnOf[i]] += Q.value[k] * sf.fixedValue[j];
            } else if (!fixedI) {
                out.rowIndex.push_back(sf.columnOf[i]);
                out.value.push_back(Q.value[k]);
            }
        }
        if (!fixedJ) out.colStart.push_back(out.rowIndex.size());
    }
}

}  // namespace

StandardForm toStandardForm(const LpModel& lp) {
    const std::size_t m = lp.numRows();
    const std::size_t n = lp.numCols();
    StandardForm sf;
    sf.columnOf.assign(n, StandardForm::kNone);
    sf.fixedValue.assign(n, 0.0);
    sf.b.assign(m, 0.0);
    sf.constant = lp.objectiveConstant;

    for (std::size_t j = 0; j < n; ++j) {
        if (lp.colLower[j] > lp.colUpper[j]) {
            throw LpError(ExitCode::Infeasible,
                          "column " + std::to_string(j) + " has lower bound above its upper bound");
        }
    }
    for (std::size_t i = 0; i < m; ++i) {
        if (lp.rowLower[i] > lp.rowUpper[i]) {
            throw LpError(ExitCode::Infeasible,
                          "row " + std::to_string(i) + " has lower bound above its upper bound");
        }
    }

    // Structural columns: fixed ones move into b and the constant.
    std::vector<double> shift(m, 0.0);
    CscMatrix& A = sf.A;
    A.rows = m;
    A.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t begin = lp.A.colStart[j], end = lp.A.colStart[j + 1];
        if (lp.colLower[j] == lp.colUpper[j]) {
            const double v = lp.colLower[j];
            sf.fixedValue[j] = v;
            sf.constant += lp.objective[j] * v;
            for (std::size_t k = begin; k < end; ++k) shift[lp.A.rowIndex[k]] += lp.A.value[k] * v;
            continue;
        }
        sf.columnOf[j] = A.colStart.size() - 1;
        for (std::size_t k = begin; k < end; ++k) {
            A.rowIndex.push_back(lp.A.rowIndex[k]);
            A.value.push_back(lp.A.value[k]);
        }
        A.colStart.push_back(A.rowIndex.size());
        sf.c.push_back(lp.objective[j]);
        sf.lower.push_back(lp.colLower[j]);
        sf.upper.push_back(lp.colUpper[j]);
    }
    sf.structuralCols = sf.c.size();
    if (hasEntries(lp.Q)) hessianOfKeptColumns(lp, sf);

    // Rows: an equality keeps b = value - shift; any other row gets a slack s with
    // a'x - s = -shift and bounds [lo - ... ] expressed on s = a'x_kept + shift.
    for (std::size_t i = 0; i < m; ++i) {
        const double lo = lp.rowLower[i], up = lp.rowUpper[i];
        if (lo == up) {
            sf.b[i] = lo - shift[i];
            continue;
        }
        // a'x_kept - s = 0 with lo - shift <= s <= up - shift.
        A.rowIndex.push_back(i);
        A.value.push_back(-1.0);
        A.colStart.push_back(A.rowIndex.size());
        sf.c.push_back(0.0);
        sf.lower.push_back(lo - shift[i]);
        sf.upper.push_back(up - shift[i]);
        sf.b[i] = 0.0;
    }
    A.cols = sf.c.size();
    if (hasEntries(sf.Q)) {  // the slack columns have no Hessian entries
        sf.Q.rows = sf.Q.cols = A.cols;
        sf.Q.colStart.resize(A.cols + 1, sf.Q.nnz());
    }
    return sf;
}

std::vector<double> modelColumns(const StandardForm& sf, const std::vector<double>& x) {
    std::vector<double> out(sf.columnOf.size());
    for (std::size_t j = 0; j < out.size(); ++j) {
        out[j] = sf.columnOf[j] == StandardForm::kNone ? sf.fixedValue[j] : x[sf.columnOf[j]];
    }
    return out;
}

}  // namespace lpsolve
