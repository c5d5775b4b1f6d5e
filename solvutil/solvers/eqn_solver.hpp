#pragma once
// Interfaces of the sparse symmetric equation solvers the host's optimization solvers use.
#include <cstdint>
#include <string>

#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/solvutil_export.hpp"

/// Root of the equation solvers: a name and a progress code. Fixed by the binary
/// interface: the member order here and in the derived classes, and the order of the
/// virtual functions of both interfaces (vtable slots).
class SOLVUTIL_API IEqnSolver {
public:
    /// Stores `name`; `status` is set by the concrete class.
    explicit IEqnSolver(std::string name);
    virtual ~IEqnSolver();

    std::int32_t status;  ///< progress code, maintained by the concrete class
    std::string name;     ///< the solver's name
};

/// A solver that factors a symmetric matrix as L·D·Lᵀ and solves with the factors.
///
/// Calling order: `init` once per sparsity structure → `symfactor` → `numfactor` (again
/// for each new set of values in the same arrays) → any number of `solve` calls.
/// `factor()` runs the symbolic step if it has not been done, then the numeric step.
///
/// Required: init, symfactor, numfactor, factor, solve. Optional (the defaults raise the
/// host error "solv:solvPlugError:unhandledError" naming the operation and change
/// nothing): setApr, setAir, setAjc, setNnz, rank, numNegEigenValues, getFlops, getNnzL.
class SOLVUTIL_API IEqnSolverLDL : public IEqnSolver {
public:
    explicit IEqnSolverLDL(std::string name);
    ~IEqnSolverLDL() override = 0;

    /// Stores a square sparse matrix in compressed-column form, borrowed (not copied):
    /// @param m, n  dimensions (must be equal)
    /// @param pr    values, nnz entries; read by every numeric factorization
    /// @param ir    0-based row index of each entry, nnz entries
    /// @param jc    column starts, n+1 entries
    /// @param nnz   number of stored entries
    virtual void init(long m, long n, double* pr, long* ir, long* jc, long nnz) = 0;
    /// Symbolic factorization of the stored structure.
    virtual void symfactor() = 0;
    /// Numeric factorization of the current values.
    virtual void numfactor() = 0;
    /// Symbolic step when not yet done, then the numeric step.
    virtual void factor() = 0;
    /// Solves A·x = b; x must already hold n elements (it is not resized).
    virtual void solve(std::vector<double, aligned_allocator<double>>& x,
                       const std::vector<double, aligned_allocator<double>>& b) = 0;

    /// Replaces the value array (no default implementation).
    virtual void setApr(double* pr);
    /// Replaces the row-index array (no default implementation).
    virtual void setAir(long* ir);
    /// Replaces the column-start array (no default implementation).
    virtual void setAjc(long* jc);
    /// Replaces the entry count (no default implementation).
    virtual void setNnz(long nnz);
    /// Rank of the factored matrix.
    virtual void rank(long& out);
    /// Number of negative eigenvalues (negative pivots of D).
    virtual void numNegEigenValues(long& out);
    /// Floating-point operations of the numeric factorization.
    virtual void getFlops(double& out);
    /// Number of entries in L.
    virtual void getNnzL(long& out);
};
