#pragma once
// Equilibration of a standard-form LP before the interior-point method:
//
//   A~ = R A C,   b~ = R b,   c~ = C c / gamma,   l~ = l / C,   u~ = u / C
//
// R and C are diagonal (rows, columns) and come from Ruiz iterations, which drive the
// largest entry of every row and column of A~ towards 1; gamma brings the largest cost
// to 1. Every factor is a power of two, so scaling and unscaling are exact in binary
// floating point: x = C x~, y = gamma R y~, z = gamma z~ / C, objective = gamma c~'x~.
#include <vector>

#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

struct Scaling {
    std::vector<double> row;  ///< R, m entries
    std::vector<double> col;  ///< C, n entries
    double cost = 1.0;        ///< gamma
};

/// Ruiz equilibration of sf.A and the cost factor of the scaled costs.
Scaling equilibrate(const StandardForm& sf);

/// The scaled problem (A, b, c and the bounds; the maps back to the model are kept).
StandardForm applyScaling(const StandardForm& sf, const Scaling& s);

}  // namespace lpsolve
