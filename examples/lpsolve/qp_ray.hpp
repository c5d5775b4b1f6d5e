#pragma once
// A ray of an unbounded convex QP, found by a linear program. The homogeneous method on a
// QP approaches a ray only in the limit tau -> 0, where x'Qx / tau is a ratio of vanishing
// numbers, and its iterates may never settle into one; the rays themselves are the
// directions d with
//   A d = 0,  Q d = 0,  d_j >= 0 where l_j is finite,  d_j <= 0 where u_j is finite,
// and the QP falls without bound along one (from a feasible point) exactly when c'd < 0 for
// some of them. So: minimize c'd over those d within the box -1 <= d <= 1.
#include <optional>
#include <vector>

#include "examples/lpsolve/ipm.hpp"
#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

/// A direction d (sf.cols() entries) that checkRay accepts for `sf` at tolerance `tol`, or
/// nothing. `options` drive the LP solve.
std::optional<std::vector<double>> findQpRay(const StandardForm& sf, const IpmOptions& options,
                                             double tol);

}  // namespace lpsolve
