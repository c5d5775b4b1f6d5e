#include "examples/lpsolve/ipm.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "examples/lpsolve/newton_system.hpp"
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace lpsolve {
namespace {

constexpr double kStepFraction = 0.9995;  // stay this far inside the boundary
constexpr double kRayThreshold = 1e8;     // iterate size at which rays are examined
constexpr double kRayTolerance = 1e-6;
// Rounding error of A x, relative to max|a_ij| * max|x_j|: a few hundred ulps.
constexpr double kRoundingFactor = 1e-13;
// Trouble without a ray: no 10 % progress on A x = b over this many iterations, or a
// barrier parameter below this fraction of the tolerance (relative to the objective).
constexpr std::size_t kStallWindow = 15;
constexpr double kStallRatio = 0.9;
constexpr double kCollapsedBarrier = 1e-3;

// Largest alpha in [0, 1] with v + alpha dv >= 0 on the entries where `mask` is set.
double maxStep(const AlignedVector& v, const AlignedVector& dv, const std::vector<char>& mask) {
    double alpha = 1.0;
    for (std::size_t j = 0; j < v.size(); ++j) {
        if (mask[j] && dv[j] < 0.0) alpha = std::min(alpha, -v[j] / dv[j]);
    }
    return alpha;
}

struct Iterate {
    AlignedVector x, y, zl, zu;
};

class Mehrotra {
public:
    Mehrotra(const StandardForm& sf, const IpmOptions& options, KktSolver& kkt)
        : sf_(sf),
          opt_(options),
          newton_(sf.A, kkt),
          A_(newton_.matrix()),
          n_(sf.cols()),
          m_(sf.rows()),
          b_(sf.b.begin(), sf.b.end()),
          c_(sf.c.begin(), sf.c.end()) {
        hasL_.assign(n_, 0);
        hasU_.assign(n_, 0);
        for (std::size_t j = 0; j < n_; ++j) {
            hasL_[j] = std::isfinite(sf.lower[j]) ? 1 : 0;
            hasU_[j] = std::isfinite(sf.upper[j]) ? 1 : 0;
            bounds_ += static_cast<std::size_t>(hasL_[j] + hasU_[j]);
        }
        bNorm_ = norminf(b_);
        cNorm_ = norminf(c_);
        aNorm_ = norminf(AlignedVector(sf.A.value.begin(), sf.A.value.end()));
    }

    IpmResult run(const IterationCallback& onIteration);

private:
    void startingPoint();
    void slacks();
    void residuals();
    double barrier() const;
    bool primalInfeasibilityRay() const;
    bool dualInfeasibilityRay() const;
    std::size_t step(IterationInfo& info);
    bool finished(std::size_t k, const IterationInfo& info, double pobj, double dobj, IpmResult& result);

    const StandardForm& sf_;
    const IpmOptions& opt_;
    NewtonSystem newton_;
    const SparseMatrix& A_;  // sf_.A for the product kernels, owned by newton_
    std::size_t n_, m_, bounds_ = 0;
    AlignedVector b_, c_;    // sf_.b and sf_.c as kernel operands
    std::vector<char> hasL_, hasU_;
    double bNorm_ = 0.0, cNorm_ = 0.0, aNorm_ = 0.0;
    Iterate it_;
    AlignedVector sl_, su_;  // x - l, u - x (0 where the bound is infinite)
    AlignedVector rp_, rd_;  // b - A x, c - A'y - zl + zu
    std::vector<double> primalHistory_;  // ||b - A x|| of every iteration so far
};

void Mehrotra::slacks() {
    sl_.assign(n_, 0.0);
    su_.assign(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) sl_[j] = it_.x[j] - sf_.lower[j];
        if (hasU_[j]) su_[j] = sf_.upper[j] - it_.x[j];
    }
}

void Mehrotra::residuals() {
    rp_.resize(m_);
    matvec(rp_.begin(), A_, it_.x);
    for (std::size_t i = 0; i < m_; ++i) rp_[i] = sf_.b[i] - rp_[i];
    rd_.resize(n_);
    tr_matvec(rd_.begin(), A_, it_.y);
    for (std::size_t j = 0; j < n_; ++j) rd_[j] = sf_.c[j] - rd_[j] - it_.zl[j] + it_.zu[j];
}

double Mehrotra::barrier() const {
    if (bounds_ == 0) return 0.0;
    return (dotprod(sl_, it_.zl) + dotprod(su_, it_.zu)) / static_cast<double>(bounds_);
}

// Least-norm points: x closest to a reference inside the bounds with A x = b, and y
// with A'y closest to c; then both are pushed strictly inside their bounds.
void Mehrotra::startingPoint() {
    AlignedVector ref(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j] && hasU_[j]) ref[j] = 0.5 * (sf_.lower[j] + sf_.upper[j]);
        else if (hasL_[j]) ref[j] = sf_.lower[j];
        else if (hasU_[j]) ref[j] = sf_.upper[j];
    }
    newton_.factor(std::vector<double>(n_, 1.0));
    // -(x - ref) + A'y = 0, A x = b  <=>  with x = ref + dx: -dx + A'y = 0, A dx = b - A ref.
    std::vector<double> aref(m_), g(m_), f(n_, 0.0);
    AlignedVector dx, dy;
    matvec(aref.begin(), A_, ref);
    for (std::size_t i = 0; i < m_; ++i) g[i] = sf_.b[i] - aref[i];
    newton_.solve(f, g, dx, dy);
    it_.x.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) it_.x[j] = ref[j] + dx[j];
    // -w + A'y = c, A w = 0: y is the least-squares solution of A'y = c, z = c - A'y.
    newton_.solve(sf_.c, std::vector<double>(m_, 0.0), dx, it_.y);
    std::vector<double> zt(n_);
    for (std::size_t j = 0; j < n_; ++j) zt[j] = -dx[j];

    slacks();
    double violation = 0.0;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) violation = std::max(violation, -sl_[j]);
        if (hasU_[j]) violation = std::max(violation, -su_[j]);
    }
    const double theta = std::max(1.0, 1.5 * violation);
    for (std::size_t j = 0; j < n_; ++j) {
        double& x = it_.x[j];
        if (hasL_[j] && hasU_[j]) {
            const double margin = std::min(theta, 0.25 * (sf_.upper[j] - sf_.lower[j]));
            x = std::clamp(x, sf_.lower[j] + margin, sf_.upper[j] - margin);
        } else if (hasL_[j]) {
            x = std::max(x, sf_.lower[j] + theta);
        } else if (hasU_[j]) {
            x = std::min(x, sf_.upper[j] - theta);
        }
    }
    it_.zl.assign(n_, 0.0);
    it_.zu.assign(n_, 0.0);
    const double zfloor = std::max(1.0, 0.1 * cNorm_);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) it_.zl[j] = std::max(zt[j], zfloor);
        if (hasU_[j]) it_.zu[j] = std::max(-zt[j], zfloor);
    }
    slacks();
}

// A point far out with A'y + zl - zu ~ 0 and a positive dual objective proves that no
// x satisfies the constraints (Farkas).
bool Mehrotra::primalInfeasibilityRay() const {
    const double size = std::max({norminf(it_.y), norminf(it_.zl), norminf(it_.zu)});
    if (!(size > kRayThreshold * (1.0 + cNorm_))) return false;
    double objective = dotprod(b_, it_.y);
    std::vector<double> aty(n_);
    tr_matvec(aty.begin(), A_, it_.y);
    double residual = 0.0;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) objective += sf_.lower[j] * it_.zl[j];
        if (hasU_[j]) objective -= sf_.upper[j] * it_.zu[j];
        residual = std::max(residual, std::fabs(aty[j] + it_.zl[j] - it_.zu[j]));
    }
    return residual / size < kRayTolerance && objective / size > kRayTolerance;
}

// A far-out x with A x ~ 0 (relative to its size) and c'x < 0 is a direction along
// which the objective decreases without bound. It proves unboundedness only from a
// feasible point, so the iterate itself must satisfy A x = b already, up to the rounding
// error of A x at its size; a problem that is infeasible as well keeps an O(1) residual
// and is left to the other test.
bool Mehrotra::dualInfeasibilityRay() const {
    const double size = norminf(it_.x);
    if (!(size > kRayThreshold * (1.0 + bNorm_))) return false;
    const double rounding = kRoundingFactor * aNorm_ * size;
    if (!(norminf(rp_) <= kRayTolerance * (1.0 + bNorm_) + rounding)) return false;
    AlignedVector ax(m_);
    matvec(ax.begin(), A_, it_.x);
    return norminf(ax) / size < kRayTolerance && dotprod(c_, it_.x) / size < -kRayTolerance;
}

// One predictor-corrector step; returns the number of corrector solves.
std::size_t Mehrotra::step(IterationInfo& info) {
    std::vector<double> d(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) d[j] += it_.zl[j] / sl_[j];
        if (hasU_[j]) d[j] += it_.zu[j] / su_[j];
    }
    newton_.factor(d);

    const double mu = barrier();
    std::vector<double> rl(n_, 0.0), ru(n_, 0.0), f(n_);
    AlignedVector dx, dy, dzl(n_, 0.0), dzu(n_, 0.0);
    auto direction = [&]() {
        for (std::size_t j = 0; j < n_; ++j) {
            f[j] = rd_[j];
            if (hasL_[j]) f[j] -= rl[j] / sl_[j];
            if (hasU_[j]) f[j] += ru[j] / su_[j];
        }
        newton_.solve(f, rp_, dx, dy);
        for (std::size_t j = 0; j < n_; ++j) {
            dzl[j] = hasL_[j] ? (rl[j] - it_.zl[j] * dx[j]) / sl_[j] : 0.0;
            dzu[j] = hasU_[j] ? (ru[j] + it_.zu[j] * dx[j]) / su_[j] : 0.0;
        }
    };
    AlignedVector negDx(n_);
    auto stepLengths = [&](double& ap, double& ad) {
        for (std::size_t j = 0; j < n_; ++j) negDx[j] = -dx[j];
        ap = std::min(maxStep(sl_, dx, hasL_), maxStep(su_, negDx, hasU_));
        ad = std::min(maxStep(it_.zl, dzl, hasL_), maxStep(it_.zu, dzu, hasU_));
    };

    // Predictor: the pure Newton (affine-scaling) direction.
    for (std::size_t j = 0; j < n_; ++j) {
        rl[j] = hasL_[j] ? -sl_[j] * it_.zl[j] : 0.0;
        ru[j] = hasU_[j] ? -su_[j] * it_.zu[j] : 0.0;
    }
    direction();
    double ap = 0.0, ad = 0.0;
    stepLengths(ap, ad);
    double muAff = 0.0;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) muAff += (sl_[j] + ap * dx[j]) * (it_.zl[j] + ad * dzl[j]);
        if (hasU_[j]) muAff += (su_[j] - ap * dx[j]) * (it_.zu[j] + ad * dzu[j]);
    }
    muAff = bounds_ > 0 ? muAff / static_cast<double>(bounds_) : 0.0;
    const double sigma = mu > 0.0 ? std::pow(muAff / mu, 3.0) : 0.0;

    // Corrector: centring towards sigma*mu plus the second-order term of the predictor.
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) rl[j] = sigma * mu - sl_[j] * it_.zl[j] - dx[j] * dzl[j];
        if (hasU_[j]) ru[j] = sigma * mu - su_[j] * it_.zu[j] + dx[j] * dzu[j];
    }
    direction();
    stepLengths(ap, ad);
    ap = std::min(1.0, kStepFraction * ap);
    ad = std::min(1.0, kStepFraction * ad);

    for (std::size_t j = 0; j < n_; ++j) {
        it_.x[j] += ap * dx[j];
        it_.zl[j] += ad * dzl[j];
        it_.zu[j] += ad * dzu[j];
    }
    for (std::size_t i = 0; i < m_; ++i) it_.y[i] += ad * dy[i];
    info.stepLength = std::min(ap, ad);
    return 1;
}

// The stopping tests, in order: optimal, infeasible or unbounded by a ray, infeasible by
// a vanished complementarity, no progress, not finite, iteration limit. Fills `result`
// and returns true when the method should stop.
bool Mehrotra::finished(std::size_t k, const IterationInfo& info, double pobj, double dobj,
                        IpmResult& result) {
    const bool primalOk = info.primalInfeasibility <= opt_.tolerance * (1.0 + bNorm_);
    const bool dualOk = info.dualInfeasibility <= opt_.tolerance * (1.0 + cNorm_);
    const bool gapOk = std::fabs(pobj - dobj) <= opt_.tolerance * (1.0 + std::fabs(pobj));
    if (primalOk && dualOk && gapOk) {
        result.status = IpmStatus::Optimal;
        result.message = "optimal solution found";
        return true;
    }
    if (primalInfeasibilityRay()) {
        result.status = IpmStatus::Infeasible;
        result.message = "the problem is infeasible (the dual iterates diverge along a Farkas ray)";
        return true;
    }
    if (dualInfeasibilityRay()) {
        result.status = IpmStatus::Unbounded;
        result.message = "the problem is unbounded (the primal iterates diverge along a descent ray)";
        return true;
    }
    // Without a ray. When the complementarity has vanished while A x = b is still far
    // off, the iterates sit at a point of least infeasibility: the problem is
    // infeasible. When the primal infeasibility merely stops moving, the method has
    // lost its way; say so rather than guess a verdict.
    primalHistory_.push_back(info.primalInfeasibility);
    const double rounding = kRoundingFactor * aNorm_ * norminf(it_.x);
    const bool farOff = info.primalInfeasibility > std::sqrt(opt_.tolerance) * (1.0 + bNorm_) + rounding;
    if (!primalOk && farOff && info.barrier <= kCollapsedBarrier * opt_.tolerance * (1.0 + std::fabs(pobj))) {
        result.status = IpmStatus::Infeasible;
        result.message = "the problem is infeasible (the complementarity vanished with A x = b unmet)";
        return true;
    }
    if (!primalOk && farOff && k >= kStallWindow &&
        info.primalInfeasibility > kStallRatio * primalHistory_[k - kStallWindow]) {
        result.status = IpmStatus::NumericalFailure;
        result.message = "no progress on A x = b for " + std::to_string(kStallWindow) +
                         " iterations (the problem may be infeasible or unbounded)";
        return true;
    }
    if (!std::isfinite(pobj) || !std::isfinite(dobj)) {
        result.status = IpmStatus::NumericalFailure;
        result.message = "the iterates are no longer finite";
        return true;
    }
    if (k >= opt_.maxIterations) {
        result.status = IpmStatus::IterationLimit;
        result.message = "iteration limit reached";
        return true;
    }
    return false;
}

IpmResult Mehrotra::run(const IterationCallback& onIteration) {
    IpmResult result;
    if (n_ == 0) {  // nothing left after presolve: only the constant and b = 0 remain
        const bool feasible = bNorm_ <= opt_.tolerance;
        result.status = feasible ? IpmStatus::Optimal : IpmStatus::Infeasible;
        result.message = feasible ? "optimal solution found (no variables left)"
                                  : "the problem is infeasible (a row without variables needs a nonzero value)";
        result.objective = sf_.constant;
        result.y.assign(m_, 0.0);
        return result;
    }
    startingPoint();
    IterationInfo info;
    for (std::size_t k = 0;; ++k) {
        slacks();
        residuals();
        const double mu = barrier();
        const double pobj = dotprod(c_, it_.x);
        double dobj = dotprod(b_, it_.y);
        for (std::size_t j = 0; j < n_; ++j) {
            if (hasL_[j]) dobj += sf_.lower[j] * it_.zl[j];
            if (hasU_[j]) dobj -= sf_.upper[j] * it_.zu[j];
        }
        info.iteration = k;
        info.objective = pobj + sf_.constant;
        info.primalInfeasibility = norminf(rp_);
        info.dualInfeasibility = norminf(rd_);
        info.barrier = mu;
        info.complementarity = mu * static_cast<double>(bounds_);
        if (k == 0) info.stepLength = 0.0, info.corrections = 0;
        if (onIteration) onIteration(info);

        result.iterations = k;
        result.objective = info.objective;
        if (finished(k, info, pobj, dobj, result)) break;
        info.corrections = step(info);
    }
    result.refactorizations = newton_.refactorizations();
    result.rankDeficientFactors = newton_.rankDeficientFactors();
    result.x.assign(it_.x.begin(), it_.x.end());
    result.y.assign(it_.y.begin(), it_.y.end());
    result.zl.assign(it_.zl.begin(), it_.zl.end());
    result.zu.assign(it_.zu.begin(), it_.zu.end());
    return result;
}

}  // namespace

IpmResult solveIpm(const StandardForm& sf, const IpmOptions& options, KktSolver& kkt,
                   const IterationCallback& onIteration) {
    Mehrotra method(sf, options, kkt);
    return method.run(onIteration);
}

}  // namespace lpsolve
