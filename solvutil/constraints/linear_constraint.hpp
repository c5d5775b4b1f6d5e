#pragma once
// LinearConstraint: the linear constraints of one problem, held in host arrays.
// Threads: one thread at a time (built on OPTMatrix and its shared scratch buffer).
#include <cstddef>
#include <cstdint>

#include "solvutil/constraints/constraint_counts.hpp"
#include "solvutil/constraints/iopt_linear_constraint.hpp"
#include "solvutil/constraints/optmatrix.hpp"
#include "solvutil/solvutil_export.hpp"

/// Inequalities, equalities, finite bounds and fixed variables of a problem in nVar
/// variables, evaluated through the IoptLinearConstraint operations.
///
/// Building one (the host's solver code, tests and examples do this):
/// @code
///   ConstraintCounts counts;            // outlives the object
///   counts.nVar = n; counts.nIneq = mi; counts.nEq = me; counts.nTotal = ...;
///   LinearConstraint lc(&counts, false, A, b, Aeq, beq, lb, ub);   // adopts the arrays
///   lc._setindexLB(nullptr);            // allocate the three index lists
///   lc._setindexUB(nullptr);
///   lc._setindexFixed(nullptr);
///   lc._createBoundAndFixedConstraints();   // finite lb/ub entries become rows
/// @endcode
/// Instead of the last call a builder may fill the lists through the setters and set
/// nFixed, nLB and nUB itself.
///
/// Caller errors that are not checked: points with fewer than nVar rows (the size checks
/// only reject longer ones), indices at or beyond a group's count in the operations
/// without a check (bfixedAt, the synthesized deep copies), `col` beyond `out`'s columns,
/// and stored-row or dense copies of a sparse A, Aeq or beq.
///
/// Each index list is null until its setter runs, then holds nVar entries from the host
/// allocator (the all-ones value marks an unset entry); the destructor frees them.
class SOLVUTIL_API LinearConstraint : public IoptLinearConstraint {
public:
    /// Adopts six host arrays (OPTMatrix's (array, borrowMode) constructor):
    /// A nIneq-by-nVar, b nIneq-by-1, Aeq nEq-by-nVar, beq nEq-by-1, lb and ub nVar-by-1,
    /// dense or sparse. `borrowMode` BORROW_KEEP leaves the arrays to the caller;
    /// BORROW_DESTROY hands them over (they are destroyed with the object; if the
    /// construction itself fails, the arrays adopted so far are destroyed and the rest
    /// stay with the caller). A null array gets a dense array of its own with the shape
    /// above taken from `counts`: zeros for A, b, Aeq and beq (an empty group when the
    /// count is 0), -inf for lb and +inf for ub (no bounds). `counts` is not owned and
    /// must outlive the object. The index lists start null.
    LinearConstraint(ConstraintCounts* counts, bool isSparse, kxArray* A, kxArray* b, kxArray* Aeq,
                     kxArray* beq, kxArray* lb, kxArray* ub,
                     std::int32_t borrowMode = OPTMatrix<double>::BORROW_KEEP);
    ~LinearConstraint() override;
    LinearConstraint(const LinearConstraint&) = delete;
    LinearConstraint& operator=(const LinearConstraint&) = delete;

    /// Fill an index list with the nVar entries of `idx`, or mark all nVar entries unset
    /// when `idx` is null. The list is allocated on first use (nothing when nVar is 0).
    void _setindexLB(const std::size_t* idx);
    void _setindexUB(const std::size_t* idx);
    void _setindexFixed(const std::size_t* idx);
    /// Rebuilds the lower- and upper-bound lists from the finite entries of lb and ub, in
    /// increasing variable order, and sets nLB, nUB and nFixed = 0. Lists that are still
    /// null are allocated first; an lb or ub without elements gives no rows.
    void _createBoundAndFixedConstraints();

    bool isSparse() override;
    /// Prints the counts and the storage kind on the host console.
    void print() override;
    /// Largest violation at x: |residual| of fixed and equality rows, signed residual of
    /// inequality and bound rows; NaN (bits 0xFFF8000000000000) when nothing qualifies.
    double maxConstrViolation(const OPTMatrix<double>& x) override;

    OPTMatrix<double> Ax(const OPTMatrix<double>& x) override;
    OPTMatrix<double> Aconstr(const OPTMatrix<double>& x) override;
    void deepCopyRowTranspose(std::size_t i, std::size_t col, OPTMatrix<double>& out) override;
    double bAt(std::size_t i) override;

    OPTMatrix<double> Aeqx(const OPTMatrix<double>& x) override;
    OPTMatrix<double> Aeqconstr(const OPTMatrix<double>& x) override;
    void deepCopyRowTransposeAeq(std::size_t i, std::size_t col, OPTMatrix<double>& out) override;
    /// nEq*nVar doubles: Aeq column-major, or (transpose) Aeq row by row.
    void deepCopyAeq(double* out, bool transpose) override;
    /// beq's values as stored (dense beq).
    void deepCopybeq(double* out) override;
    double beqAt(std::size_t i) override;

    /// nFixed*nVar doubles: the fixed-row matrix column-major, or its transpose.
    void deepCopyAfixed(double* out, bool transpose) override;
    /// nFixed doubles: ub at each fixed variable.
    void deepCopybfixed(double* out) override;
    OPTMatrix<double> Afixedx(const OPTMatrix<double>& x) override;
    double bfixedAt(std::size_t k) override;
    OPTMatrix<double> Afixedconstr(const OPTMatrix<double>& x) override;
    void deepCopyRowTransposeAfixed(std::size_t k, std::size_t col,
                                    OPTMatrix<double>& out) override;
    OPTMatrix<double> AfixedRow(std::size_t k) override;

    OPTMatrix<double> Albx(const OPTMatrix<double>& x) override;
    OPTMatrix<double> Albconstr(const OPTMatrix<double>& x) override;
    void deepCopyRowTransposeAlb(std::size_t k, std::size_t col, OPTMatrix<double>& out) override;
    void deepCopyVarRowTransposeAlb(std::size_t j, std::size_t col,
                                    OPTMatrix<double>& out) override;
    OPTMatrix<double> AlbRow(std::size_t k) override;
    double lbAt(std::size_t j) override;

    OPTMatrix<double> Aubx(const OPTMatrix<double>& x) override;
    OPTMatrix<double> Aubconstr(const OPTMatrix<double>& x) override;
    void deepCopyRowTransposeAub(std::size_t k, std::size_t col, OPTMatrix<double>& out) override;
    void deepCopyVarRowTransposeAub(std::size_t j, std::size_t col,
                                    OPTMatrix<double>& out) override;
    OPTMatrix<double> AubRow(std::size_t k) override;
    double ubAt(std::size_t j) override;

    double absmaxA() override;
    double absmaxAeq() override;
    double absmaxb() override;
    double absmaxbeq() override;

    OPTMatrix<double>& getA() override;
    OPTMatrix<double>& getb() override;
    OPTMatrix<double>& getAeq() override;
    OPTMatrix<double>& getbeq() override;
    OPTMatrix<double>& getlb() override;
    OPTMatrix<double>& getub() override;
    const std::size_t* getindexLB() override;
    const std::size_t* getindexUB() override;
    const std::size_t* getindexFixed() override;

    // Fixed by the binary interface: the member order and names (_A, _Aeq, ...) that the
    // host's builder code fills in directly.
    ConstraintCounts* _counts;
    bool _isSparse;
    OPTMatrix<double> _A;
    OPTMatrix<double> _b;
    OPTMatrix<double> _Aeq;
    OPTMatrix<double> _beq;
    std::size_t* _indexLB;
    std::size_t* _indexUB;
    std::size_t* _indexFixed;
    OPTMatrix<double> _lb;
    OPTMatrix<double> _ub;
};
