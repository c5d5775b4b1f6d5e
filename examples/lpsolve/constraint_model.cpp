#include "examples/lpsolve/constraint_model.hpp"

#include <algorithm>
#include <cmath>

#include "examples/lpsolve/host_arrays.hpp"
#include "solvutil/constraints/optmatrix.hpp"
#include "solvutil/kernels/solv_assert.hpp"

namespace lpsolve {
namespace {

// LinearConstraint with sparse A and Aeq. The base class forms A*x with OPTMatrix's
// product, which rejects a sparse left operand; these overrides form it column by column
// over the stored entries instead (O(nonzeros) per column of x). The result borrows a
// scratch-buffer array like the base's product, so Aconstr and Aeqconstr (which call
// these through the virtual table) subtract b and beq from it unchanged.
class SparseLinearConstraint final : public LinearConstraint {
public:
    using LinearConstraint::LinearConstraint;

    OPTMatrix<double> Ax(const OPTMatrix<double>& x) override {
        solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Ax.");
        return product(_A, x);
    }
    OPTMatrix<double> Aeqx(const OPTMatrix<double>& x) override {
        solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Aeqx.");
        return product(_Aeq, x);
    }

private:
    static OPTMatrix<double> product(const OPTMatrix<double>& S, const OPTMatrix<double>& x) {
        if (!S._sparse || S._cols != x._rows) return S * x;  // dense, or the base's failure
        OPTMatrix<double> y(S._rows, x._cols, true);
        std::fill(y._data, y._data + y._rows * y._cols, 0.0);
        if (kxIsEmpty(S._array)) return y;
        const std::size_t* start = kxColumnStarts(S._array);
        const std::size_t* row = kxRowIndices(S._array);
        for (std::size_t c = 0; c < x._cols; ++c) {
            double* yc = y._data + y._rows * c;
            for (std::size_t j = 0; j < S._cols; ++j) {
                const double xj = x._sparse ? x(j, c) : x._data[j + x._rows * c];
                if (xj == 0.0) continue;
                for (std::size_t p = start[j]; p < start[j + 1]; ++p) yc[row[p]] += S._data[p] * xj;
            }
        }
        return y;
    }
};

kxarray::kxArrayPtr denseArray(std::size_t m, std::size_t n) {
    return kxarray::do_create_numeric({m, n}, kxDOUBLE_CLASS, kxREAL);
}

}  // namespace

ConstraintModel::ConstraintModel(const LpModel& lp) {
    const std::size_t m = lp.numRows(), n = lp.numCols();
    // Each model row becomes up to two inequality rows or one equality row.
    struct RowUse {
        std::size_t model;
        double sign;
        double rhs;
    };
    std::vector<RowUse> ineq, eq;
    // Rows of A and Aeq per model row (at most two of A, one of Aeq), to scatter each
    // column entry: firstIneq[i] is the first row of A from model row i, or kNone.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> firstIneq(m, kNone), eqRow(m, kNone);
    for (std::size_t i = 0; i < m; ++i) {
        const double lo = lp.rowLower[i], up = lp.rowUpper[i];
        if (lo == up) {
            eqRow[i] = eq.size();
            eq.push_back({i, 1.0, lo});
            continue;
        }
        if (std::isfinite(up) || std::isfinite(lo)) firstIneq[i] = ineq.size();
        if (std::isfinite(up)) ineq.push_back({i, 1.0, up});
        if (std::isfinite(lo)) ineq.push_back({i, -1.0, -lo});
    }
    counts_.nVar = n;
    counts_.nIneq = ineq.size();
    counts_.nEq = eq.size();

    // Split the model's columns between A and Aeq, keeping them compressed-column.
    CscMatrix a, aeq;
    a.rows = ineq.size(), aeq.rows = eq.size();
    a.cols = aeq.cols = n;
    a.colStart.push_back(0), aeq.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k) {
            const std::size_t i = lp.A.rowIndex[k];
            const double v = lp.A.value[k];
            if (eqRow[i] != kNone) aeq.rowIndex.push_back(eqRow[i]), aeq.value.push_back(v);
            for (std::size_t r = firstIneq[i]; r < ineq.size() && ineq[r].model == i; ++r)
                a.rowIndex.push_back(r), a.value.push_back(ineq[r].sign * v);
        }
        a.colStart.push_back(a.rowIndex.size());
        aeq.colStart.push_back(aeq.rowIndex.size());
    }
    A_ = toHostSparse(a);
    Aeq_ = toHostSparse(aeq);
    b_ = denseArray(ineq.size(), 1);
    beq_ = denseArray(eq.size(), 1);
    for (std::size_t r = 0; r < ineq.size(); ++r) kxRealData(b_.get())[r] = ineq[r].rhs;
    for (std::size_t r = 0; r < eq.size(); ++r) kxRealData(beq_.get())[r] = eq[r].rhs;
    lb_ = toHostColumn(lp.colLower);
    ub_ = toHostColumn(lp.colUpper);

    constraints_ = std::make_unique<SparseLinearConstraint>(
        &counts_, true, A_.get(), b_.get(), Aeq_.get(), beq_.get(), lb_.get(), ub_.get(),
        OPTMatrix<double>::BORROW_KEEP);
    constraints_->_setindexLB(nullptr);
    constraints_->_setindexUB(nullptr);
    constraints_->_setindexFixed(nullptr);
    constraints_->_createBoundAndFixedConstraints();
    counts_.nTotal = counts_.nIneq + counts_.nEq + counts_.nLB + counts_.nUB + counts_.nFixed;
}

ConstraintModel::~ConstraintModel() {
    constraints_.reset();
}

double ConstraintModel::maxViolation(const std::vector<double>& x) {
    OPTMatrix<double> point(x.size(), 1, false);
    std::copy(x.begin(), x.end(), point._data);
    return constraints_->maxConstrViolation(point);
}

}  // namespace lpsolve
