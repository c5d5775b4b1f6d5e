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
//   A d = 0,  d_j >= 0 where l_j is finite,  d_j <= 0 where u_j is finite,  c'd < 0.
//
// An iterate only approximates a certificate, so each test measures its defects relative
// to the sizes involved: the certificate's value against the sum of the magnitudes that
// make it up, and a sign violation g_j (or a residual (A d)_i) against the norm of the
// column A_:j (row A_i:) times the norm of y (d). The norms are taken in the equilibrated
// units of the scaling (R, C) so that a column measured in micro-units weighs as much as
// one measured in mega-units; without a scaling they are plain max-norms. Nothing is
// compared with an absolute size.
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
