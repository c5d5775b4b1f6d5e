#pragma once
// The Hessian Q of a quadratic objective  c'x + 1/2 x'Qx, stored as a full symmetric
// compressed-column matrix (both triangles, sorted row indices, no explicit zeros). An LP
// has a Q without entries (possibly with no columns at all).
#include <cstddef>
#include <span>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// True when Q has at least one stored entry.
bool hasEntries(const CscMatrix& Q);

/// True when every stored entry of Q is on its diagonal.
bool isDiagonal(const CscMatrix& Q);

/// The diagonal of Q, `n` entries (zeros where Q has no column or no entry).
std::vector<double> hessianDiagonal(const CscMatrix& Q, std::size_t n);

/// The strictly lower triangle of Q (rows below the diagonal, sorted), n x n.
CscMatrix strictLower(const CscMatrix& Q, std::size_t n);

/// out = Q x (out has x.size() entries; an empty Q gives zeros).
void hessianProduct(const CscMatrix& Q, std::span<const double> x, std::span<double> out);

/// x'Qx.
double quadraticForm(const CscMatrix& Q, std::span<const double> x);

/// A full symmetric Q of size n from (row, column, value) triplets: an off-diagonal entry
/// given once stands for both triangles; given as (i, j) and (j, i) the two must agree
/// (within relative 1e-12) and are taken once. Returns false on a disagreement.
bool symmetricFromTriplets(std::size_t n, const std::vector<std::size_t>& rows,
                           const std::vector<std::size_t>& cols, const std::vector<double>& values,
                           CscMatrix& Q);

/// Throws LpError(NonConvex) when Q is not positive semidefinite: a negative diagonal
/// entry, or a negative pivot in the LDL' factorization of Q + eps I with eps tiny
/// against the largest entry.
void requireConvex(const CscMatrix& Q, std::size_t n);

}  // namespace lpsolve
