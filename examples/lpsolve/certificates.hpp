#pragma once
// Checks of infeasibility and unboundedness certificates against the unscaled standard
// form (minimize c'x subject to A x = b, l <= x <= u), with relative tolerances only.
//
// Farkas (no feasible x): a multiplier y whose g = A'y satisfies
//   g_j <= 0 where u_j is infinite,  g_j >= 0 where l_j is infinite,
//   b'y > sup { g'x : l <= x <= u } = sum_j (g_j > 0 ? g_j u_j : g_j l_j).
// For any x with A x = b inside the bounds, b'y = g'x <= sup: a contradiction.
//
// Ray (unbounded below, given a feasible point): a direction d with
//   A d = 0,  Q d = 0,  d_j >= 0 where l_j is finite,  d_j <= 0 where u_j is finite,  c'd < 0
// (Q, the Hessian of a quadratic objective, is positive semidefinite: along such a d the
// objective is linear and falls without bound).
//
// An iterate only approximates a certificate, so each test bounds its defects by the
// certificate's own value: normalized to a value of 1, y may leave a sign violation g_j
// (d a residual (A d)_i or a sign violation d_j) of at most `tol`, measured in the
// equilibrated units of the scaling (R, C, beta, gamma) so that a row or column written in
// micro-units weighs as much as one in mega-units. Such a y proves that no feasible x has
// equilibrated size below 1/tol; such a d that the objective falls by at least 1/tol per
// unit of residual. The value must also stand clear of the rounding of the sums that make
// it up. Nothing is compared with an absolute size.
#include <span>

#include "examples/lpsolve/scaling.hpp"
#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

struct CertificateCheck {
    bool holds = false;
    double value = 0.0;   ///< b'y - sup (Farkas) or -c'd (ray), positive when it proves
    double defect = 0.0;  ///< largest relative violation of the sign or residual conditions
};

/// Is y (m entries, unscaled) a Farkas certificate within relative tolerance `tol`?
/// `units` may be null.
CertificateCheck checkFarkas(const StandardForm& sf, std::span<const double> y, double tol,
                             const Scaling* units = nullptr);

/// Is d (n entries, unscaled) a ray of decrease within relative tolerance `tol`? The
/// sign conditions of d are imposed by projection before the test. `units` may be null.
CertificateCheck checkRay(const StandardForm& sf, std::span<const double> d, double tol,
                          const Scaling* units = nullptr);

}  // namespace lpsolve
