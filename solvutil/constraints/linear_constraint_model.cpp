// LinearConstraint: construction, index lists, bound scan, summary, destruction and the
// plain accessors.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/kxarray.hpp"
#include "solvutil/host/kxmemory.hpp"

namespace {

// The adopted array, or for a missing one an array of its own filled with `fill`.
OPTMatrix<double> adoptOrCreate(kxArray* array, std::size_t rows, std::size_t cols,
                                std::int32_t borrowMode, double fill = 0.0) {
    if (array != nullptr) return OPTMatrix<double>(array, borrowMode);
    OPTMatrix<double> own(rows, cols, false);
    std::fill(own._data, own._data + rows * cols, fill);
    return own;
}

void setIndexList(std::size_t*& list, const std::size_t* idx, std::size_t n) {
    if (n == 0) return;
    if (list == nullptr) list = static_cast<std::size_t*>(kxMallocExCheck(n * sizeof(std::size_t)));
    if (idx == nullptr) {
        std::memset(list, 0xFF, n * sizeof(std::size_t));  // every entry "unset"
    } else {
        std::memcpy(list, idx, n * sizeof(std::size_t));
    }
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// |v| <= largest finite double: false for +-infinity and NaN, which mean "no bound".
bool isFiniteBound(double v) {
    return std::abs(v) <= std::numeric_limits<double>::max();
}

}  // namespace

LinearConstraint::LinearConstraint(ConstraintCounts* counts, bool isSparse, kxArray* A, kxArray* b,
                                   kxArray* Aeq, kxArray* beq, kxArray* lb, kxArray* ub,
                                   std::int32_t borrowMode)
    : _counts(counts),
      _isSparse(isSparse),
      _A(adoptOrCreate(A, counts->nIneq, counts->nVar, borrowMode)),
      _b(adoptOrCreate(b, counts->nIneq, 1, borrowMode)),
      _Aeq(adoptOrCreate(Aeq, counts->nEq, counts->nVar, borrowMode)),
      _beq(adoptOrCreate(beq, counts->nEq, 1, borrowMode)),
      _indexLB(nullptr),
      _indexUB(nullptr),
      _indexFixed(nullptr),
      _lb(adoptOrCreate(lb, counts->nVar, 1, borrowMode, -kInfinity)),
      _ub(adoptOrCreate(ub, counts->nVar, 1, borrowMode, kInfinity)) {}

// The lists go first; the matrices are then released in reverse declaration order
// (ub, lb, beq, Aeq, b, A), and the base last.
LinearConstraint::~LinearConstraint() {
    if (_indexLB != nullptr) kxFreeEx(_indexLB);
    if (_indexUB != nullptr) kxFreeEx(_indexUB);
    if (_indexFixed != nullptr) kxFreeEx(_indexFixed);
}

void LinearConstraint::_setindexLB(const std::size_t* idx) {
    setIndexList(_indexLB, idx, _counts->nVar);
}

void LinearConstraint::_setindexUB(const std::size_t* idx) {
    setIndexList(_indexUB, idx, _counts->nVar);
}

void LinearConstraint::_setindexFixed(const std::size_t* idx) {
    setIndexList(_indexFixed, idx, _counts->nVar);
}

void LinearConstraint::_createBoundAndFixedConstraints() {
    ConstraintCounts& c = *_counts;
    const std::size_t n = c.nVar;
    if (n == 0 || (_lb._rows * _lb._cols == 0 && _ub._rows * _ub._cols == 0)) {
        c.nFixed = 0;
        c.nLB = 0;
        c.nUB = 0;
        return;
    }
    if (_indexLB == nullptr) _setindexLB(nullptr);
    if (_indexUB == nullptr) _setindexUB(nullptr);
    // A bound vector without elements bounds nothing (it is not read).
    const bool haveLB = _lb._rows * _lb._cols != 0;
    const bool haveUB = _ub._rows * _ub._cols != 0;
    std::size_t nLB = 0;
    std::size_t nUB = 0;
    for (std::size_t j = 0; j < n; ++j) {
        if (haveLB && isFiniteBound(_lb(j, 0))) _indexLB[nLB++] = j;
        if (haveUB && isFiniteBound(_ub(j, 0))) _indexUB[nUB++] = j;
    }
    c.nLB = nLB;
    c.nUB = nUB;
    c.nFixed = 0;
}

void LinearConstraint::print() {
    const ConstraintCounts& c = *_counts;
    hostPrintf("\nLinear constraints:\n");
    hostPrintf(" #variables: %i\n", static_cast<int>(c.nVar));
    hostPrintf(" #inequalities: %i\n", static_cast<int>(c.nIneq));
    hostPrintf(" #equalities: %i\n", static_cast<int>(c.nEq));
    hostPrintf(" #lower bounds: %i\n", static_cast<int>(c.nLB));
    hostPrintf(" #upper bounds: %i\n", static_cast<int>(c.nUB));
    hostPrintf(" #Fixed variables: %i\n", static_cast<int>(c.nFixed));
    hostPrintf("#Total constraints: %i\n", static_cast<int>(c.nTotal));
    hostPrintf(isSparse() ? "Constraints are sparse\n" : "Constraints are dense\n");
}

bool LinearConstraint::isSparse() {
    return _isSparse;
}

OPTMatrix<double>& LinearConstraint::getA() {
    return _A;
}
OPTMatrix<double>& LinearConstraint::getb() {
    return _b;
}
OPTMatrix<double>& LinearConstraint::getAeq() {
    return _Aeq;
}
OPTMatrix<double>& LinearConstraint::getbeq() {
    return _beq;
}
OPTMatrix<double>& LinearConstraint::getlb() {
    return _lb;
}
OPTMatrix<double>& LinearConstraint::getub() {
    return _ub;
}
const std::size_t* LinearConstraint::getindexLB() {
    return _indexLB;
}
const std::size_t* LinearConstraint::getindexUB() {
    return _indexUB;
}
const std::size_t* LinearConstraint::getindexFixed() {
    return _indexFixed;
}
