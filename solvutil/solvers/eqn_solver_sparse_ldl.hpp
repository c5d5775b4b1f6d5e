#pragma once
// EqnSolverSparseLDL: the sparse symmetric-indefinite equation solver over the host's
// sparse LDLᵀ factor (MA57_RealLDLFactor).
#include <cstdint>

// Threads: distinct solver objects may run concurrently (the host serializes its factor
// code internally); one object serves one thread at a time.
#include "solvutil/solvers/eqn_solver.hpp"

class MA57_RealLDLFactor;

/// Solves sparse symmetric, possibly indefinite, systems given in compressed-column arrays.
///
/// `status` records the last step, one of the STATUS_ constants below: a numeric
/// factorization that gives up ("KALDOR:symIndefFactor:tooManyAttempts") is absorbed
/// (`numfactor` returns normally, status STATUS_NUMERIC_GAVE_UP); a solve error
/// ("KALDOR:symIndefFactor:solveError", status STATUS_SOLVE_FAILED) is always rethrown.
/// Other failures propagate unchanged and leave `status` as it was.
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

    /// Values of `status` (the numbers are part of the interface).
    static constexpr std::int32_t STATUS_CREATED = 0;          ///< constructed
    static constexpr std::int32_t STATUS_INIT_DONE = 1;        ///< `init` done
    static constexpr std::int32_t STATUS_SYMBOLIC_DONE = 2;    ///< symbolic factorization done
    static constexpr std::int32_t STATUS_NUMERIC_GAVE_UP = 3;  ///< numeric step ran out of attempts
    static constexpr std::int32_t STATUS_NUMERIC_DONE = 4;     ///< numeric factorization done
    static constexpr std::int32_t STATUS_SOLVE_FAILED = 5;     ///< solve raised the solve error
    static constexpr std::int32_t STATUS_SOLVE_DONE = 6;       ///< solve done

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

    long solveInfo;                 ///< factor status word after the last solve (0 before)
    MA57_RealLDLFactor* factorObj;  ///< owned
    double* pr;                     ///< values (borrowed)
    long* ir;                       ///< row indices (borrowed)
    long* jc;                       ///< column starts (borrowed)
    long nnz;                       ///< stored entries
    long m;                         ///< rows
    long n;                         ///< columns
};
