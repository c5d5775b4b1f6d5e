#pragma once
// Random LPs whose answer is known by construction:
//  - Optimal: a primal point x*, multipliers y* and reduced costs z* that satisfy the
//    optimality conditions (with degenerate pairs and dependent rows when asked), so the
//    optimum is c'x* exactly;
//  - Infeasible: a multiplier y with A'y = g and bounds chosen so that
//    b'y > sup g'x over the bounds (a Farkas certificate);
//  - Unbounded: a feasible point and a direction d with A d = 0, inside the sign pattern
//    of the bounds, along which c'd < 0.
// Each can be rescaled (every entry by a row and a column factor, together within
// [1e-9, 1e9]) and blown up to optima of size up to 1e10 without changing its answer.
#include <cstdint>
#include <random>
#include <string>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve_test {

enum class Planted { Optimal, Infeasible, Unbounded };

struct PlantedOptions {
    Planted kind = Planted::Optimal;
    bool degenerate = false;  ///< active constraints with zero multipliers, dependent rows
    double rescale = 0.0;     ///< log10 of the largest row times column factor (0: none)
    double magnitude = 0.0;   ///< log10 of the largest factor on x* and c (0: none)
};

struct PlantedLp {
    lpsolve::LpModel lp;
    Planted kind = Planted::Optimal;
    double objective = 0.0;  ///< the optimum (Optimal only)
};

PlantedLp plantedLp(std::uint32_t seed, const PlantedOptions& options);

/// Writes the model as MPS (full precision) for Clp and the solver's own reader.
void writeMps(const lpsolve::LpModel& lp, const std::string& path);

}  // namespace lpsolve_test
