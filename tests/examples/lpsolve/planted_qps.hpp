#pragma once
// Random convex QPs whose answer is known by construction, and their hand-over to cvxopt.
//  - Optimal: x*, row multipliers y* and bound multipliers z* (signs by the active side)
//    meet the KKT conditions of minimize c'x + 1/2 x'Qx with Q = B B' (so convex), by
//    choosing c = A'y* + z* - Q x*; the optimum is then c'x* + 1/2 x*'Qx*.
//  - Unbounded: an optimal one plus two columns p, q >= 0 with A columns a and -a, costs
//    summing below 0 and the Hessian block [1 -1; -1 1]: along d = e_p + e_q, A d = 0,
//    Q d = 0 and c'd < 0.
//  - NonConvex: an optimal one whose Q gets a negative diagonal entry, or a block
//    [1 2; 2 1] (positive diagonal, one negative eigenvalue).
#include <cstdint>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve_test {

enum class QpKind { Optimal, Unbounded, NonConvex };

struct QpOptions {
    QpKind kind = QpKind::Optimal;
    bool sparseQ = false;      ///< Q a sum of 2-column rank-one terms (else dense B B')
    double rankFraction = 1;   ///< columns of B over n (below 1: Q is singular)
    std::size_t maxCols = 24;  ///< n is drawn from [4, maxCols]
};

struct PlantedQp {
    lpsolve::LpModel lp;
    double objective = 0.0;  ///< the optimum (Optimal only)
};

PlantedQp plantedQp(std::uint32_t seed, const QpOptions& options);

/// Writes the model as MPS with a QUADOBJ section (lower triangle).
void writeQpMps(const lpsolve::LpModel& lp, const std::string& path);

/// Optimal objectives by cvxopt.solvers.qp (NaN where it found none) and its solve times.
struct CvxoptRun {
    std::vector<double> objective, seconds;
};
CvxoptRun cvxoptObjectives(const std::vector<const lpsolve::LpModel*>& models);

}  // namespace lpsolve_test
