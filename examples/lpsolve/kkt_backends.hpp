#pragma once
// Constructors of the KKT back ends (one source file each). All borrow the system's
// matrices.
#include <cstddef>
#include <memory>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "solvutil/kernels/aligned_allocator.hpp"

class EqnSolverSparseLDL;

namespace lpsolve {

/// sym_kktcat + solvutil::DynamicRegSolver on the dense (n + m)-square matrix.
std::unique_ptr<KktSolver> makeDenseKkt(const KktSystem& system);

/// EqnSolverSparseLDL on the lower triangle in compressed-column form.
std::unique_ptr<KktSolver> makeSparseKkt(const KktSystem& system);

/// EqnSolverSparseLDL on the normal equations A (D + rho)^-1 A' + delta I (m x m), with
/// the dense columns of A kept as a border.
std::unique_ptr<KktSolver> makeNormalKkt(const KktSystem& system);

/// Solves the `count` right-hand sides stored one after another in `b` into `x` (same
/// layout, sized by the caller). EqnSolverSparseLDL::solve takes one; several go to its
/// host factor in one call, which passes over the factor once for all of them.
void solveSparseColumns(EqnSolverSparseLDL& solver, const AlignedVector& b, AlignedVector& x,
                        std::size_t count);

/// A column is dense when it has more entries than each of kDenseColumnFactor times the
/// median column count, sqrt(rows) and kMinDenseColumn: eliminating it would add more than
/// (sqrt(rows))^2 / 2 entries to A D^-1 A', far above what a typical column adds.
inline constexpr std::size_t kDenseColumnFactor = 10, kMinDenseColumn = 16;

/// The dense columns of A by the rule above, in increasing order.
std::vector<std::size_t> denseColumns(const CscMatrix& A);

}  // namespace lpsolve
