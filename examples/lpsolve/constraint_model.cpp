#include "examples/lpsolve/constraint_model.hpp"

#include <algorithm>
#include <cmath>

#include "solvutil/constraints/optmatrix.hpp"

namespace lpsolve {
namespace {

kxarray::kxArrayPtr denseArray(std::size_t m, std::size_t n) {
    return kxarray::do_create_numeric({m, n}, kxDOUBLE_CLASS, kxREAL);
}

}  // namespace

ConstraintModel::ConstraintModel(const LpModel& lp) {
    const std::size_t m = lp.numRows(), n = lp.numCols();
    // Each model row becomes up to two inequality rows or one equality row; `sign` and
    // `target` say which row of A or Aeq it feeds.
    struct RowUse {
        std::size_t model;
        double sign;
        double rhs;
    };
    std::vector<RowUse> ineq, eq;
    for (std::size_t i = 0; i < m; ++i) {
        const double lo = lp.rowLower[i], up = lp.rowUpper[i];
        if (lo == up) {
            eq.push_back({i, 1.0, lo});
            continue;
        }
        if (std::isfinite(up)) ineq.push_back({i, 1.0, up});
        if (std::isfinite(lo)) ineq.push_back({i, -1.0, -lo});
    }
    counts_.nVar = n;
    counts_.nIneq = ineq.size();
    counts_.nEq = eq.size();

    A_ = denseArray(ineq.size(), n);
    b_ = denseArray(ineq.size(), 1);
    Aeq_ = denseArray(eq.size(), n);
    beq_ = denseArray(eq.size(), 1);
    lb_ = denseArray(n, 1);
    ub_ = denseArray(n, 1);
    // Rows of A and Aeq per model row, to scatter each column entry.
    std::vector<std::vector<std::size_t>> ineqRows(m), eqRows(m);
    for (std::size_t r = 0; r < ineq.size(); ++r) ineqRows[ineq[r].model].push_back(r);
    for (std::size_t r = 0; r < eq.size(); ++r) eqRows[eq[r].model].push_back(r);
    double* a = kxRealData(A_.get());
    double* aeq = kxRealData(Aeq_.get());
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k) {
            const std::size_t i = lp.A.rowIndex[k];
            for (std::size_t r : ineqRows[i]) a[r + j * ineq.size()] += ineq[r].sign * lp.A.value[k];
            for (std::size_t r : eqRows[i]) aeq[r + j * eq.size()] += lp.A.value[k];
        }
    }
    for (std::size_t r = 0; r < ineq.size(); ++r) kxRealData(b_.get())[r] = ineq[r].rhs;
    for (std::size_t r = 0; r < eq.size(); ++r) kxRealData(beq_.get())[r] = eq[r].rhs;
    std::copy(lp.colLower.begin(), lp.colLower.end(), kxRealData(lb_.get()));
    std::copy(lp.colUpper.begin(), lp.colUpper.end(), kxRealData(ub_.get()));

    constraints_ = std::make_unique<LinearConstraint>(&counts_, false, A_.get(), b_.get(), Aeq_.get(),
                                                      beq_.get(), lb_.get(), ub_.get(),
                                                      OPTMatrix<double>::BORROW_KEEP);
    constraints_->_setindexLB(nullptr);
    constraints_->_setindexUB(nullptr);
    constraints_->_setindexFixed(nullptr);
    constraints_->_createBoundAndFixedConstraints();
    counts_.nTotal = counts_.nIneq + counts_.nEq + counts_.nLB + counts_.nUB + counts_.nFixed;
}

ConstraintModel::~ConstraintModel() { constraints_.reset(); }

double ConstraintModel::maxViolation(const std::vector<double>& x) {
    OPTMatrix<double> point(x.size(), 1, false);
    std::copy(x.begin(), x.end(), point._data);
    return constraints_->maxConstrViolation(point);
}

}  // namespace lpsolve
