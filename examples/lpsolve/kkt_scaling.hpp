#pragma once
// Both KKT back ends factor the symmetrically scaled matrix
//
//   [ -I      (A S)' ]            S = D^(-1/2),
//   [ A S    delta I ]            x = S x~,
//
// whose primal block is exactly -I: the pivot tolerances then compare like with like,
// whatever the spread of D (it reaches 1e12 near a solution), and the dual block holds
// the Schur complement A D^-1 A' + delta I at its natural scale.
#include <cmath>
#include <vector>

namespace lpsolve {

/// S = D^(-1/2), one entry per column.
inline void columnScaling(const std::vector<double>& d, std::vector<double>& s) {
    s.resize(d.size());
    for (std::size_t j = 0; j < d.size(); ++j) s[j] = 1.0 / std::sqrt(d[j]);
}

}  // namespace lpsolve
