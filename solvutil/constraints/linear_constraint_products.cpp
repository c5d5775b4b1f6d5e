// LinearConstraint: products, residuals, rows, deep copies and element accessors of the
// five constraint groups. The fixed, lower- and upper-bound groups have no stored matrix:
// their rows are +e(j), -e(j) and +e(j) for the variables in the index lists.
#include <algorithm>

#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/solv_assert.hpp"

namespace {

// Row i of the dense m-by-n `source` into `n` consecutive doubles at `dest` (BLAS dcopy
// with source stride m).
void copyRow(const OPTMatrix<double>& source, std::size_t i, double* dest) {
    const auto n = static_cast<blas_int>(source._cols);
    const auto stride = static_cast<blas_int>(source._rows);
    solvutil::blas::copy(n, source._data + i, stride, dest, 1);
}

void copyValues(const double* source, std::size_t count, double* dest) {
    solvutil::blas::copy(static_cast<blas_int>(count), source, dest);
}

// Column `col` of `out` becomes zero with `value` at row `row`.
void setUnitColumn(OPTMatrix<double>& out, std::size_t col, std::size_t row, double value) {
    double* column = out._data + out._rows * col;
    std::fill(column, column + out._rows, 0.0);
    out(row, col) = value;
}

// A count-by-1 result with entry k = f(index[k]); a dense result of its own, so its
// entries are written straight into the value storage.
template <typename F>
OPTMatrix<double> synthesize(std::size_t count, const std::size_t* index, F f) {
    OPTMatrix<double> result(count, 1, false);
    for (std::size_t k = 0; k < count; ++k) result._data[k] = f(index[k]);
    return result;
}

// A 1-by-nVar row, zero except `value` at column j.
OPTMatrix<double> unitRow(std::size_t nVar, std::size_t j, double value) {
    OPTMatrix<double> result(1, nVar, false);
    result(0, j) = value;
    return result;
}

}  // namespace

// ---- inequalities -------------------------------------------------------------------

OPTMatrix<double> LinearConstraint::Ax(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Ax.");
    return _A * x;
}

OPTMatrix<double> LinearConstraint::Aconstr(const OPTMatrix<double>& x) {
    const OPTMatrix<double> r = Ax(x);
    return r - _b;
}

void LinearConstraint::deepCopyRowTranspose(std::size_t i, std::size_t col,
                                            OPTMatrix<double>& out) {
    solvAssert(out._rows >= _A._cols, "Size mismatch in LinearConstraint::deepCopyRowTranspose.");
    copyRow(_A, i, out._data + out._rows * col);
}

double LinearConstraint::bAt(std::size_t i) {
    solvAssert(i < _counts->nIneq, "Index out of bounds in LinearConstraint::bAt.");
    return _b(i, 0);
}

// ---- equalities ---------------------------------------------------------------------

OPTMatrix<double> LinearConstraint::Aeqx(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Aeqx.");
    return _Aeq * x;
}

OPTMatrix<double> LinearConstraint::Aeqconstr(const OPTMatrix<double>& x) {
    const OPTMatrix<double> r = Aeqx(x);
    return r - _beq;
}

void LinearConstraint::deepCopyRowTransposeAeq(std::size_t i, std::size_t col,
                                               OPTMatrix<double>& out) {
    // The A variant's name in the text is not a slip: the message is fixed as it is.
    solvAssert(out._rows >= _Aeq._cols, "Size mismatch in LinearConstraint::deepCopyRowTranspose.");
    copyRow(_Aeq, i, out._data + out._rows * col);
}

void LinearConstraint::deepCopyAeq(double* out, bool transpose) {
    if (!transpose) {
        copyValues(_Aeq._data, _Aeq._rows * _Aeq._cols, out);
        return;
    }
    for (std::size_t i = 0; i < _Aeq._rows; ++i) copyRow(_Aeq, i, out + i * _Aeq._cols);
}

void LinearConstraint::deepCopybeq(double* out) {
    copyValues(_beq._data, _beq._rows * _beq._cols, out);
}

double LinearConstraint::beqAt(std::size_t i) {
    solvAssert(i < _counts->nEq, "Index out of bounds in LinearConstraint::beqAt.");
    return _beq(i, 0);
}

// ---- fixed variables ------------------------------------------------------------------

void LinearConstraint::deepCopyAfixed(double* out, bool transpose) {
    const std::size_t nFixed = _counts->nFixed;
    const std::size_t nVar = _counts->nVar;
    std::fill(out, out + nFixed * nVar, 0.0);
    for (std::size_t k = 0; k < nFixed; ++k) {
        if (transpose) {
            out[_indexFixed[k] + k * nVar] = 1.0;
        } else {
            out[k + _indexFixed[k] * nFixed] = 1.0;
        }
    }
}

void LinearConstraint::deepCopybfixed(double* out) {
    for (std::size_t k = 0; k < _counts->nFixed; ++k) out[k] = _ub(_indexFixed[k], 0);
}

OPTMatrix<double> LinearConstraint::Afixedx(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Afixedx.");
    return synthesize(_counts->nFixed, _indexFixed, [&](std::size_t j) { return x(j, 0); });
}

double LinearConstraint::bfixedAt(std::size_t k) {
    return _ub(_indexFixed[k], 0);
}

// No size check here: a point with extra rows is accepted.
OPTMatrix<double> LinearConstraint::Afixedconstr(const OPTMatrix<double>& x) {
    return synthesize(_counts->nFixed, _indexFixed,
                      [&](std::size_t j) { return x(j, 0) - _ub(j, 0); });
}

void LinearConstraint::deepCopyRowTransposeAfixed(std::size_t k, std::size_t col,
                                                  OPTMatrix<double>& out) {
    setUnitColumn(out, col, _indexFixed[k], 1.0);
}

OPTMatrix<double> LinearConstraint::AfixedRow(std::size_t k) {
    solvAssert(k < _counts->nFixed, "Index out of bounds in LinearConstraint::AfixedRow");
    return unitRow(_counts->nVar, _indexFixed[k], 1.0);
}

// ---- lower bounds ---------------------------------------------------------------------

OPTMatrix<double> LinearConstraint::Albx(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Albx.");
    return synthesize(_counts->nLB, _indexLB, [&](std::size_t j) { return -x(j, 0); });
}

OPTMatrix<double> LinearConstraint::Albconstr(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Albconstr.");
    return synthesize(_counts->nLB, _indexLB, [&](std::size_t j) { return _lb(j, 0) - x(j, 0); });
}

void LinearConstraint::deepCopyRowTransposeAlb(std::size_t k, std::size_t col,
                                               OPTMatrix<double>& out) {
    setUnitColumn(out, col, _indexLB[k], -1.0);
}

void LinearConstraint::deepCopyVarRowTransposeAlb(std::size_t j, std::size_t col,
                                                  OPTMatrix<double>& out) {
    setUnitColumn(out, col, j, -1.0);
}

OPTMatrix<double> LinearConstraint::AlbRow(std::size_t k) {
    solvAssert(k < _counts->nLB, "Index out of bounds in LinearConstraint::AlbRow.");
    return unitRow(_counts->nVar, _indexLB[k], -1.0);
}

double LinearConstraint::lbAt(std::size_t j) {
    solvAssert(j < _counts->nVar, "Index out of bounds in LinearConstraint::lbAt.");
    return _lb(j, 0);
}

// ---- upper bounds ---------------------------------------------------------------------

OPTMatrix<double> LinearConstraint::Aubx(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Aubx.");
    return synthesize(_counts->nUB, _indexUB, [&](std::size_t j) { return x(j, 0); });
}

OPTMatrix<double> LinearConstraint::Aubconstr(const OPTMatrix<double>& x) {
    solvAssert(x._rows <= _counts->nVar, "Size mismatch in LinearConstraint::Aubconstr.");
    return synthesize(_counts->nUB, _indexUB, [&](std::size_t j) { return x(j, 0) - _ub(j, 0); });
}

void LinearConstraint::deepCopyRowTransposeAub(std::size_t k, std::size_t col,
                                               OPTMatrix<double>& out) {
    setUnitColumn(out, col, _indexUB[k], 1.0);
}

void LinearConstraint::deepCopyVarRowTransposeAub(std::size_t j, std::size_t col,
                                                  OPTMatrix<double>& out) {
    setUnitColumn(out, col, j, 1.0);
}

OPTMatrix<double> LinearConstraint::AubRow(std::size_t k) {
    solvAssert(k < _counts->nUB, "Index out of bounds in LinearConstraint::AubRow.");
    return unitRow(_counts->nVar, _indexUB[k], 1.0);
}

double LinearConstraint::ubAt(std::size_t j) {
    solvAssert(j < _counts->nVar, "Index out of bounds in LinearConstraint::ubAt.");
    return _ub(j, 0);
}

// ---- largest coefficients -------------------------------------------------------------

namespace {
double absmaxOf(const OPTMatrix<double>& m) {
    std::size_t row = 0;
    std::size_t col = 0;
    return m.absmax(row, col);
}
}  // namespace

double LinearConstraint::absmaxA() {
    return absmaxOf(_A);
}
double LinearConstraint::absmaxAeq() {
    return absmaxOf(_Aeq);
}
double LinearConstraint::absmaxb() {
    return absmaxOf(_b);
}
double LinearConstraint::absmaxbeq() {
    return absmaxOf(_beq);
}
