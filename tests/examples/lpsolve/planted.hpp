#pragma once
// Random LPs and convex QPs whose answer is known by construction, and the solver's
// verdicts on such files.
//  - Optimal: x*, multipliers y*, z* that meet the optimality conditions (with degenerate
//    pairs and a dependent row when asked), costs c = A'y* + z* - Q x*; Q = B B' (QPs).
//  - Infeasible: y with A'y = g and bounds such that b'y > sup g'x over the bounds.
//  - Unbounded: a feasible point and d with A d = 0, inside the bounds' sign pattern,
//    along which c'd < 0.
//  LPs can be rescaled (each entry by a row and a column factor, together within 1e+-9)
//  and blown up to optima of size up to 1e10 without changing their answer.
#include <cstdint>
#include <string>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "examples/lpsolve/lp_model.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace lpsolve_test {

enum class Planted { Optimal, Infeasible, Unbounded };

struct PlantedOptions {
    Planted kind = Planted::Optimal;
    bool degenerate = false;  ///< LP: active constraints with zero multipliers, dependent rows
    double rescale = 0.0;     ///< LP: log10 of the largest row times column factor (0: none)
    double magnitude = 0.0;   ///< LP: log10 of the largest factor on x* and c (0: none)
    bool sparseQ = false;     ///< QP: Q a sum of 2-column rank-one terms (else dense B B')
    double rankFraction = 1;  ///< QP: columns of B over n (below 1: Q is singular)
};

struct PlantedLp {
    lpsolve::LpModel lp;
    double objective = 0.0;  ///< the optimum (Optimal only)
};

PlantedLp plantedLp(std::uint32_t seed, const PlantedOptions& options);
PlantedLp plantedQp(std::uint32_t seed, const PlantedOptions& options);  ///< Optimal only

/// Compressed-column form of the dense column-major m x n `a` (exact zeros dropped).
lpsolve::CscMatrix csc(std::size_t m, std::size_t n, const std::vector<double>& a);

/// Writes the model as MPS at full precision, with a QUADOBJ section when it has a Q.
void writeMps(const lpsolve::LpModel& lp, const std::string& path);

/// Optimal objectives by cvxopt.solvers.qp, NaN where it found none.
std::vector<double> cvxoptObjectives(const std::vector<const lpsolve::LpModel*>& models);

/// Expects the solve of `file` (with the presolve unless not `presolve`) to end in `want`
/// and, when optimal, within 100 iterations at `objective` to 1e-6 max(1, |objective|), with
/// a violation below `violation` max(1, |objective|).
void expectVerdict(const std::string& file, lpsolve::LinearAlgebra la, lpsolve::IpmStatus want,
                   double objective, const std::string& what, bool presolve = true,
                   double violation = 1e-5);

}  // namespace lpsolve_test
