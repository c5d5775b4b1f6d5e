#pragma once
// The homogeneous self-dual interior-point method on one standard-form LP or convex QP (see
// ipm.hpp and hsd_types.hpp). Internal to the solver: hsd_method.cpp has the iteration,
// hsd_ends.cpp the starting point, the stopping tests and the way back to the unscaled problem.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "examples/lpsolve/hsd_types.hpp"
#include "examples/lpsolve/ipm.hpp"
#include "examples/lpsolve/newton_system.hpp"
#include "examples/lpsolve/scaling.hpp"

namespace lpsolve {

/// Throws LpError(NumericalFailure) when a coefficient, cost or right-hand side of `sf`
/// is not finite, or a bound is NaN or infinite on the wrong side.
void requireFiniteData(const StandardForm& sf, const char* what);

// The measures the stopping tests look at, in the scaled problem's units: each residual
// entry relative to 1 plus the size of the terms it is made of.
struct Measures {
    double primal = 0.0, dual = 0.0, gap = 0.0;
    // c'x / tau + x'Qx / (2 tau^2),  (b'y + l'zl - u'zu) / tau - x'Qx / (2 tau^2)
    double pobj = 0.0, dobj = 0.0;
};

/// One run of the method; run() may be called once.
class HomogeneousIpm {
public:
    /// Scales `original` (borrowed; it must outlive the method) and sets up the KKT back end.
    HomogeneousIpm(const StandardForm& original, const IpmParameters& par, LinearAlgebra la);

    IpmResult run(const IterationCallback& onIteration);

private:
    void startingPoint();
    void residuals();
    double barrier() const;
    Measures measure() const;
    void factor();
    void tauColumnRhs();
    void tauColumnRhsNearIterate();  // the QP form of tauColumnRhs
    void finishTauColumn();
    void finishTauColumnNearIterate();
    double predictorCorrector(HsdPoint& dir);
    double directionRhs(double eta, const AlignedVector& xil, const AlignedVector& xiu,
                        double xitk);
    void finishDirection(double eta, const AlignedVector& xil, const AlignedVector& xiu,
                         double xitk, double xig, HsdPoint& d);
    double maxStep(const HsdPoint& d) const;
    double step();
    std::optional<IpmStatus> verdict(const Measures& m, std::string& message) const;
    void unscale(IpmResult& result) const;
    void snapToActiveBounds();
    std::vector<signed char> atBound_;  // filled by snapToActiveBounds
    double originalObjective() const;

    const StandardForm& orig_;
    Scaling scaling_;
    StandardForm sf_;            // scaled
    CscMatrix qLower_;           // strictly lower triangle of sf_.Q
    std::vector<double> qDiag_;  // diagonal of sf_.Q
    bool quadratic_;             // sf_.Q has entries
    IpmParameters par_;
    KktSystem system_;
    std::unique_ptr<KktSolver> kkt_;
    NewtonSystem newton_;
    const SparseMatrix& A_;  // sf_.A for the product kernels, owned by newton_
    std::size_t n_, m_, pairs_ = 0;
    AlignedVector b_, c_;
    std::vector<char> hasL_, hasU_;
    HsdPoint it_;
    HsdResiduals res_;
    AlignedVector lastStep_;           // x after the last step minus x before it
    AlignedVector px_, py_;            // the tau column: K p = [c - (zl/xl) l - (zu/xu) u; b]
    AlignedVector pl_, pu_;            // p - l and u - p (QP only, see tauColumnRhsNearIterate)
    AlignedVector tf_, tg_, tx_, ty_;  // the tau column's right-hand side and solution
    double tauPivot_ = 0.0;            // kappa/tau + sum (zl/xl)(px - l)^2 + (zu/xu)(px - u)^2
    AlignedVector d_, f_, g_, qx_, qy_, work_;
    AlignedVector hx_;  // Q x at the current iterate (filled by residuals(); QP only)
    double xQx_ = 0.0;  // x'Qx at the current iterate
};

}  // namespace lpsolve
