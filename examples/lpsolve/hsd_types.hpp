#pragma once
// The pieces of the homogeneous self-dual interior-point method (Xu, Hung and Ye; the
// bounded form of Andersen and Andersen), on the scaled standard form
//
//   minimize c'x  subject to  A x = b,  l <= x <= u.
//
// The embedding adds tau (a scale of the solution) and kappa (a scale of the gap):
//
//   A x                - b tau      = 0                      residual rp = tau b - A x
//   x - xl             - l tau      = 0   (finite l)         residual rl = tau l - x + xl
//   x + xu             - u tau      = 0   (finite u)         residual ru = tau u - x - xu
//   A'y + zl - zu      - c tau      = 0                      residual rd = tau c - A'y - zl + zu
//   c'x - b'y - l'zl + u'zu + kappa = 0                      residual rg
//   xl, xu, zl, zu, tau, kappa >= 0
//
// A solution with tau > 0 gives the optimum x / tau, y / tau; one with kappa > 0 gives a
// certificate: b'y - u'zu + l'zl > 0 (the problem is infeasible) or c'x < 0 (no finite
// minimum).
//
// A quadratic objective c'x + 1/2 x'Qx (Q positive semidefinite) enters the homogeneous
// form of the QP optimality conditions: the dual row becomes A'y + zl - zu - c tau - Q x
// = 0 and the gap row c'x + x'Qx / tau - b'y - l'zl + u'zu + kappa = 0. At tau = 1 the
// latter is primal minus dual objective, c'x + 1/2 x'Qx - (b'y + l'zl - u'zu - 1/2 x'Qx).
// Its Newton step has the extra terms 2 (Qx)'dx / tau - (x'Qx / tau^2) dtau; after the
// elimination of x and y the pivot of tau gains (px - x/tau)' Q (px - x/tau) >= 0, so it
// stays a sum of squares. A ray d then also needs Q d = 0 (x'Qx / tau stays bounded while
// tau goes to 0). Vectors are full length n; the entries of xl, zl (xu, zu) where l (u) is
// infinite stay 0.
#include <cstddef>

#include "solvutil/kernels/aligned_allocator.hpp"

namespace lpsolve {

/// Every constant of the method in one place.
struct IpmParameters {
    double tolerance = 1e-8;  ///< relative optimality and certificate tolerance
    std::size_t maxIterations = 100;
    double stepFraction = 0.9995;      ///< fraction of the way to the boundary a step goes
    std::size_t stallIterations = 8;   ///< steps in a row without progress before giving up
    double stallStep = 1e-8;           ///< a step shorter than this makes no progress
    std::size_t maxStrengthening = 3;  ///< refactorizations with more regularization per step
    /// Largest normalized defect of an accepted certificate (or the tolerance, if looser):
    /// a Farkas y then excludes feasible points up to 1e6 in equilibrated size, and the
    /// objective falls 1e6 times faster along a ray than its residual grows. The method
    /// reaches it before its iterates lose accuracy, which they do on the way to a ray.
    double certificateTolerance = 1e-6;
};

/// An iterate, or a direction (the same shape).
struct HsdPoint {
    AlignedVector x, xl, xu, y, zl, zu;
    double tau = 1.0, kappa = 1.0;
};

struct HsdResiduals {
    AlignedVector rp, rl, ru, rd;
    double rg = 0.0;
};

}  // namespace lpsolve
