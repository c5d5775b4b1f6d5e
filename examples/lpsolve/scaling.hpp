#pragma once
// Equilibration of a standard-form LP before the interior-point method:
//
//   A~ = R A C,   b~ = R b / beta,   c~ = C c / gamma,   l~ = l / (beta C),   u~ = u / (beta C)
//   Q~ = beta C Q C / gamma
//
// R and C are diagonal (rows, columns): geometric scaling of A (log|a~_ij| near 0 in the
// least-squares sense), then every column's largest entry near 1; gamma brings the largest cost
// (or Hessian entry of Q~) to 1, and beta a right-hand side larger than 1 down to 1, so that the
// iterates start and stay near unit size where the regularization of the KKT matrix is negligible.
// Every factor is a power of two, so scaling and unscaling are exact in binary floating
// point: x = beta C x~, y = gamma R y~, z = gamma z~ / C, objective = beta gamma c~'x~.
#include <vector>

#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

struct Scaling {
    std::vector<double> row;  ///< R, m entries
    std::vector<double> col;  ///< C, n entries
    double cost = 1.0;        ///< gamma
    double rhs = 1.0;         ///< beta
};

/// Row and column factors of sf.A, and the cost and right-hand-side factors.
Scaling equilibrate(const StandardForm& sf);

/// The scaled problem (A, b, c and the bounds; the maps back to the model are kept).
StandardForm applyScaling(const StandardForm& sf, const Scaling& s);

}  // namespace lpsolve
