#pragma once
// EqnSolverSparseLDL: the sparse symmetric-indefinite equation solver over the host's
// sparse LDLᵀ factor (MA57_RealLDLFactor).
// Threads: distinct solver objects may run concurrently (the host serializes its factor
// code internally); one object serves one thread at a time.
#include "solvutil/solvers/eqn_solver.hpp"

class MA57_RealLDLFactor;

/// Solves sparse symmetric, possibly indefinite, systems given in compressed-column arrays.
///
/// `status` records the last step: 0 created, 1 `init` done, 2 symbolic factorization
/// done, 3 numeric factorization gave up ("KALDOR:symIndefFactor:tooManyAttempts", absorbed:
/// `numfactor` returns normally), 4 numeric factorization done, 5 solve failed
/// ("KALDOR:symIndefFactor:solveError", always rethrown), 6 solve done. Other failures
/// propagate unchanged and leave `status` as it was.
///
/// The matrix arrays are borrowed: `ir` and `jc` must stay valid until `symfactor`, `pr`
/// until each `numfactor`; new values written into `pr` are used by the next `numfactor`
/// without a new symbolic step. The factor uses the lower triangle (row ≥ column) only.
class SOLVUTIL_API EqnSolverSparseLDL : public IEqnSolverLDL {
public:
    /// Creates the factor object and gives it `pivotTol`, the relative threshold for
    /// numerical pivoting (typically 0.01 to 0.1: larger is more stable, smaller keeps
    /// the factor sparser).
    explicit EqnSolverSparseLDL(double pivotTol);
    ~EqnSolverSparseLDL() override;
    EqnSolverSparseLDL(const EqnSolverSparseLDL&) = delete;
    EqnSolverSparseLDL& operator=(const EqnSolverSparseLDL&) = delete;

    /// Stores the six arguments, then checks m == n ("Equation solver must get a square
    /// matrix."); on success `status` becomes 1.
    void init(long m, long n, double* pr, long* ir, long* jc, long nnz) override;
    void symfactor() override;
    void numfactor() override;
    void factor() override;
    /// `x` must hold n elements; `b` has n elements.
    void solve(std::vector<double, aligned_allocator<double>>& x,
               const std::vector<double, aligned_allocator<double>>& b) override;

    /// `init` followed by `factor()`: always a symbolic and a numeric step.
    void factor(long m, long n, double* pr, long* ir, long* jc, long nnz);

    void rank(long& out) override;
    void numNegEigenValues(long& out) override;
    void getFlops(double& out) override;
    void getNnzL(long& out) override;

    long solveInfo;                   ///< factor status word after the last solve (0 before)
    MA57_RealLDLFactor* factorObj;    ///< owned
    double* pr;                       ///< values (borrowed)
    long* ir;                         ///< row indices (borrowed)
    long* jc;                         ///< column starts (borrowed)
    long nnz;                         ///< stored entries
    long m;                           ///< rows
    long n;                           ///< columns
};
