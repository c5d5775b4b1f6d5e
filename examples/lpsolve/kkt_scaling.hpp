#pragma once
// Both KKT back ends factor the symmetrically scaled matrix
//
//   [ -I - S (L + L') S   (A S)' ]            S = (D + rho)^(-1/2),
//   [ A S                 delta I ]           x = S x~,
//
// whose primal block has the diagonal exactly -I: the pivot tolerances then compare like
// with like, whatever the spread of D (it reaches 1e12 near a solution), and for an LP
// (L = 0) the dual block holds the Schur complement A (D + rho)^-1 A' + delta I at its
// natural scale.
#include <cmath>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

/// S = (D + rho)^(-1/2), one entry per column.
inline void columnScaling(const KktValues& v, std::vector<double>& s) {
    s.resize(v.diagonal.size());
    for (std::size_t j = 0; j < s.size(); ++j) s[j] = 1.0 / std::sqrt(v.diagonal[j] + v.primalReg);
}

}  // namespace lpsolve
