#include "examples/lpsolve/hsd_method.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "examples/lpsolve/certificates.hpp"
#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace lpsolve {

// Non-finite data never reaches a factorization: the coefficients, costs and right-hand
// sides must be finite, and a bound may be infinite only on its own side.
void requireFiniteData(const StandardForm& sf, const char* what) {
    const auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double e) { return std::isfinite(e); });
    };
    bool ok = finite(sf.A.value) && finite(sf.b) && finite(sf.c);
    for (std::size_t j = 0; ok && j < sf.cols(); ++j) {
        ok = !std::isnan(sf.lower[j]) && !std::isnan(sf.upper[j]) && sf.lower[j] != HUGE_VAL &&
             sf.upper[j] != -HUGE_VAL;
    }
    if (!ok)
        throw LpError(ExitCode::NumericalFailure,
                      std::string(what) + " holds a value that is not finite");
}

HomogeneousIpm::HomogeneousIpm(const StandardForm& original, const IpmParameters& par,
                               LinearAlgebra la)
    : orig_(original),
      scaling_(equilibrate(original)),
      sf_(applyScaling(original, scaling_)),
      qLower_(strictLower(sf_.Q, sf_.cols())),
      qDiag_(hessianDiagonal(sf_.Q, sf_.cols())),
      quadratic_(hasEntries(sf_.Q)),
      par_(par),
      system_{&sf_.A, &qLower_},
      kkt_(makeKktSolver(system_, la)),
      newton_(system_, *kkt_, quadratic_ ? std::span<const double>(qDiag_) : std::span<double>()),
      A_(newton_.matrix()),
      n_(sf_.cols()),
      m_(sf_.rows()),
      b_(sf_.b.begin(), sf_.b.end()),
      c_(sf_.c.begin(), sf_.c.end()) {
    hasL_.assign(n_, 0);
    hasU_.assign(n_, 0);
    for (std::size_t j = 0; j < n_; ++j) {
        hasL_[j] = std::isfinite(sf_.lower[j]) ? 1 : 0;
        hasU_[j] = std::isfinite(sf_.upper[j]) ? 1 : 0;
        pairs_ += static_cast<std::size_t>(hasL_[j] + hasU_[j]);
    }
    ++pairs_;                                      // tau * kappa
    requireFiniteData(sf_, "the scaled problem");  // a scale factor may overflow
}

double HomogeneousIpm::barrier() const {
    double s = it_.tau * it_.kappa;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) s += it_.xl[j] * it_.zl[j];
        if (hasU_[j]) s += it_.xu[j] * it_.zu[j];
    }
    return s / static_cast<double>(pairs_);
}

void HomogeneousIpm::residuals() {
    const double tau = it_.tau;
    res_.rp.resize(m_);
    matvec(res_.rp.begin(), A_, it_.x);
    for (std::size_t i = 0; i < m_; ++i) res_.rp[i] = tau * b_[i] - res_.rp[i];
    res_.rd.resize(n_);
    tr_matvec(res_.rd.begin(), A_, it_.y);
    res_.rl.assign(n_, 0.0);
    res_.ru.assign(n_, 0.0);
    double rg = dotprod(c_, it_.x) - dotprod(b_, it_.y) + it_.kappa;
    if (quadratic_) {
        hx_.resize(n_);
        hessianProduct(sf_.Q, it_.x, hx_);
        xQx_ = dotprod(it_.x, hx_);
        rg += xQx_ / tau;
        for (std::size_t j = 0; j < n_; ++j) res_.rd[j] -= hx_[j];  // A'y - Q x, for now
    }
    for (std::size_t j = 0; j < n_; ++j) {
        res_.rd[j] = tau * c_[j] - res_.rd[j] - it_.zl[j] + it_.zu[j];
        if (hasL_[j]) {
            res_.rl[j] = tau * sf_.lower[j] - it_.x[j] + it_.xl[j];
            rg -= sf_.lower[j] * it_.zl[j];
        }
        if (hasU_[j]) {
            res_.ru[j] = tau * sf_.upper[j] - it_.x[j] - it_.xu[j];
            rg += sf_.upper[j] * it_.zu[j];
        }
    }
    res_.rg = rg;
}

void HomogeneousIpm::factor() {
    d_.assign(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) d_[j] += it_.zl[j] / it_.xl[j];
        if (hasU_[j]) d_[j] += it_.zu[j] / it_.xu[j];
    }
    newton_.factor(d_);
}

// The right-hand side of the tau column p of the eliminated system, for an LP
// K p = [c - (zl/xl) l - (zu/xu) u; b] (for a QP see tauColumnRhsNearIterate).
void HomogeneousIpm::tauColumnRhs() {
    if (quadratic_) return tauColumnRhsNearIterate();
    tf_.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) {
        tf_[j] = c_[j];
        if (hasL_[j]) tf_[j] -= it_.zl[j] / it_.xl[j] * sf_.lower[j];
        if (hasU_[j]) tf_[j] -= it_.zu[j] / it_.xu[j] * sf_.upper[j];
    }
    tg_ = b_;
}

// p and the pivot of tau from the solution (tx_, ty_) of tauColumnRhs's system.
void HomogeneousIpm::finishTauColumn() {
    if (quadratic_) return finishTauColumnNearIterate();
    px_.swap(tx_);
    py_.swap(ty_);
    // The pivot of tau once x and y are eliminated, written as a sum of squares: the
    // plain form kappa/tau + sum (zl/xl) l^2 + ... + g'p loses every digit to cancellation
    // when a bound is large.
    double pivot = it_.kappa / it_.tau;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) pivot += it_.zl[j] / it_.xl[j] * std::pow(px_[j] - sf_.lower[j], 2);
        if (hasU_[j]) pivot += it_.zu[j] / it_.xu[j] * std::pow(px_[j] - sf_.upper[j], 2);
    }
    tauPivot_ = pivot;
}

// The tau column of a QP as p = (x, y) / tau + w, with p - l and u - p kept apart. The right-hand
// side of w has no (z/x) l terms, which reach 1e10 near a solution and leave an error of that size
// times the rounding in p; along a QP's steps tau keeps moving, and that error would then stall the
// dual residual. With p - l = (xl - rl) / tau + w, the pivot of tau is
//   kappa/tau + sum (zl/xl)(px - l)^2 + (zu/xu)(px - u)^2 + (px - x/tau)' Q (px - x/tau).
void HomogeneousIpm::tauColumnRhsNearIterate() {
    const double tau = it_.tau;
    tf_.resize(n_);
    tg_.resize(m_);
    AlignedVector aty(n_);
    tr_matvec(aty.begin(), A_, it_.y);
    for (std::size_t j = 0; j < n_; ++j) {  // c + (Qx - A'y)/tau + Dl (x/tau - l) + Du (x/tau - u)
        tf_[j] = c_[j] + (hx_[j] - aty[j]) / tau;
        if (hasL_[j]) tf_[j] += it_.zl[j] / it_.xl[j] * ((it_.xl[j] - res_.rl[j]) / tau);
        if (hasU_[j]) tf_[j] -= it_.zu[j] / it_.xu[j] * ((it_.xu[j] + res_.ru[j]) / tau);
    }
    for (std::size_t i = 0; i < m_; ++i) tg_[i] = res_.rp[i] / tau;  // b - A x / tau
}

// p = (x, y) / tau + w, p - l, u - p and the pivot of tau from w = (tx_, ty_).
void HomogeneousIpm::finishTauColumnNearIterate() {
    const double tau = it_.tau;
    const AlignedVector& wx = tx_;
    const AlignedVector& wy = ty_;
    AlignedVector qw(n_);
    px_.resize(n_);
    py_.resize(m_);
    for (std::size_t j = 0; j < n_; ++j) px_[j] = it_.x[j] / tau + wx[j];
    for (std::size_t i = 0; i < m_; ++i) py_[i] = it_.y[i] / tau + wy[i];
    pl_.assign(n_, 0.0);
    pu_.assign(n_, 0.0);
    double pivot = it_.kappa / tau;
    for (std::size_t j = 0; j < n_; ++j) {
        pl_[j] = hasL_[j] ? (it_.xl[j] - res_.rl[j]) / tau + wx[j] : 0.0;
        pu_[j] = hasU_[j] ? (it_.xu[j] + res_.ru[j]) / tau - wx[j] : 0.0;
        if (hasL_[j]) pivot += it_.zl[j] / it_.xl[j] * pl_[j] * pl_[j];
        if (hasU_[j]) pivot += it_.zu[j] / it_.xu[j] * pu_[j] * pu_[j];
    }
    hessianProduct(sf_.Q, wx, qw);
    tauPivot_ = pivot + std::max(dotprod(wx, qw), 0.0);
}

// The Newton direction that reduces every residual by the factor (1 - eta) and aims the
// complementarity products at xl zl + (xil), xu zu + (xiu), tau kappa + (xitk): its
// right-hand side goes into (f_, g_); returns the tau row's right-hand side xig.
double HomogeneousIpm::directionRhs(double eta, const AlignedVector& xil, const AlignedVector& xiu,
                                    double xitk) {
    const double tau = it_.tau;
    f_.resize(n_);
    g_.resize(m_);
    double xig = eta * res_.rg + xitk / tau;
    for (std::size_t j = 0; j < n_; ++j) {
        double f = eta * res_.rd[j];
        if (hasL_[j]) {
            const double t = (xil[j] + eta * it_.zl[j] * res_.rl[j]) / it_.xl[j];
            f -= t;
            xig -= sf_.lower[j] * t;
        }
        if (hasU_[j]) {
            const double t = (xiu[j] - eta * it_.zu[j] * res_.ru[j]) / it_.xu[j];
            f += t;
            xig += sf_.upper[j] * t;
        }
        f_[j] = f;
    }
    for (std::size_t i = 0; i < m_; ++i) g_[i] = eta * res_.rp[i];
    return xig;
}

// The direction from the solution (qx_, qy_) of directionRhs's system and the tau column.
void HomogeneousIpm::finishDirection(double eta, const AlignedVector& xil, const AlignedVector& xiu,
                                     double xitk, double xig, HsdPoint& d) {
    const double tau = it_.tau;
    // g_x'q_x + b'q_y with g_x = -c - (zl/xl) l - (zu/xu) u - 2 Q x / tau.
    double gq = dotprod(b_, qy_);
    for (std::size_t j = 0; j < n_; ++j) {
        double gx = quadratic_ ? -c_[j] - 2.0 * hx_[j] / tau : -c_[j];
        if (hasL_[j]) gx -= it_.zl[j] / it_.xl[j] * sf_.lower[j];
        if (hasU_[j]) gx -= it_.zu[j] / it_.xu[j] * sf_.upper[j];
        gq += gx * qx_[j];
    }
    const double dtau = (xig - gq) / tauPivot_;
    d.tau = dtau;
    d.kappa = (xitk - it_.kappa * dtau) / tau;
    d.x.resize(n_);
    d.y.resize(m_);
    d.xl.assign(n_, 0.0);
    d.xu.assign(n_, 0.0);
    d.zl.assign(n_, 0.0);
    d.zu.assign(n_, 0.0);
    for (std::size_t i = 0; i < m_; ++i) d.y[i] = qy_[i] + dtau * py_[i];
    for (std::size_t j = 0; j < n_; ++j) {
        const double dx = qx_[j] + dtau * px_[j];
        d.x[j] = dx;
        if (hasL_[j]) {
            // For a QP, q + dtau (p - l): tau's steps do not vanish, and dx - l dtau would
            // lose to cancellation what the (large) zl/xl then magnifies.
            d.xl[j] = quadratic_ ? qx_[j] + dtau * pl_[j] - eta * res_.rl[j]
                                 : dx - sf_.lower[j] * dtau - eta * res_.rl[j];
            d.zl[j] = (xil[j] - it_.zl[j] * d.xl[j]) / it_.xl[j];
        }
        if (hasU_[j]) {
            d.xu[j] = quadratic_ ? dtau * pu_[j] - qx_[j] + eta * res_.ru[j]
                                 : sf_.upper[j] * dtau - dx + eta * res_.ru[j];
            d.zu[j] = (xiu[j] - it_.zu[j] * d.xu[j]) / it_.xu[j];
        }
    }
}

double HomogeneousIpm::maxStep(const HsdPoint& d) const {
    double alpha = 1.0;
    const auto limit = [&alpha](double v, double dv) {
        if (dv < 0.0) alpha = std::min(alpha, -v / dv);
    };
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) limit(it_.xl[j], d.xl[j]), limit(it_.zl[j], d.zl[j]);
        if (hasU_[j]) limit(it_.xu[j], d.xu[j]), limit(it_.zu[j], d.zu[j]);
    }
    limit(it_.tau, d.tau);
    limit(it_.kappa, d.kappa);
    return alpha;
}

// The predictor-corrector direction on the current factorization, and the length of the
// step along it.
double HomogeneousIpm::predictorCorrector(HsdPoint& dir) {
    const double mu = barrier();
    AlignedVector xil(n_, 0.0), xiu(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) xil[j] = -it_.xl[j] * it_.zl[j];
        if (hasU_[j]) xiu[j] = -it_.xu[j] * it_.zu[j];
    }
    // The tau column and the predictor share the factor: one batched solve.
    tauColumnRhs();
    const double xitkAff = -it_.tau * it_.kappa;
    const double xigAff = directionRhs(1.0, xil, xiu, xitkAff);
    const NewtonSystem::Rhs both[] = {{tf_, tg_, &tx_, &ty_}, {f_, g_, &qx_, &qy_}};
    newton_.solve(both);
    finishTauColumn();
    HsdPoint aff;
    finishDirection(1.0, xil, xiu, xitkAff, xigAff, aff);
    const double a = maxStep(aff);
    double muAff = (it_.tau + a * aff.tau) * (it_.kappa + a * aff.kappa);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) muAff += (it_.xl[j] + a * aff.xl[j]) * (it_.zl[j] + a * aff.zl[j]);
        if (hasU_[j]) muAff += (it_.xu[j] + a * aff.xu[j]) * (it_.zu[j] + a * aff.zu[j]);
    }
    muAff /= static_cast<double>(pairs_);
    const double sigma = std::clamp(std::pow(muAff / mu, 3.0), 0.0, 1.0);

    // Corrector: centring towards sigma mu plus the second-order term of the predictor.
    const double target = sigma * mu;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) xil[j] = target - it_.xl[j] * it_.zl[j] - aff.xl[j] * aff.zl[j];
        if (hasU_[j]) xiu[j] = target - it_.xu[j] * it_.zu[j] - aff.xu[j] * aff.zu[j];
    }
    const double xitk = target - it_.tau * it_.kappa - aff.tau * aff.kappa;
    const double xig = directionRhs(1.0 - sigma, xil, xiu, xitk);
    newton_.solve(f_, g_, qx_, qy_);
    finishDirection(1.0 - sigma, xil, xiu, xitk, xig, dir);
    return std::min(1.0, par_.stepFraction * maxStep(dir));
}

// One predictor-corrector step; returns its length. When a Newton solve cannot be refined
// to the method's tolerance (the factorization lost too much to cancellation, as a dense
// LDL' without pivoting does on dependent rows), the step is computed again on a factor
// with more regularization.
double HomogeneousIpm::step() {
    factor();
    HsdPoint dir, trial;
    double alpha = predictorCorrector(dir);
    double residual = newton_.residualSinceFactor();
    for (std::size_t attempt = 0; residual > par_.tolerance && attempt < par_.maxStrengthening;
         ++attempt) {
        if (!newton_.strengthen()) break;
        const double trialAlpha = predictorCorrector(trial);
        const double trialResidual = newton_.residualSinceFactor();
        if (!(trialResidual < 0.5 * residual)) {  // no better: keep the first, and its policy
            newton_.relax();
            break;
        }
        std::swap(dir, trial);
        alpha = trialAlpha;
        residual = trialResidual;
    }
    const auto move = [alpha](AlignedVector& v, const AlignedVector& dv) {
        for (std::size_t k = 0; k < v.size(); ++k) v[k] += alpha * dv[k];
    };
    lastStep_.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) lastStep_[j] = alpha * dir.x[j];
    move(it_.x, dir.x), move(it_.xl, dir.xl), move(it_.xu, dir.xu);
    move(it_.y, dir.y), move(it_.zl, dir.zl), move(it_.zu, dir.zu);
    it_.tau += alpha * dir.tau;
    it_.kappa += alpha * dir.kappa;
    return alpha;
}

IpmResult HomogeneousIpm::run(const IterationCallback& onIteration) {
    IpmResult result;
    result.linearAlgebra = kkt_->name();
    startingPoint();
    IterationInfo info;
    std::size_t stalled = 0;
    for (std::size_t k = 0;; ++k) {
        residuals();
        const Measures m = measure();
        const double mu = barrier();
        info.iteration = k;
        info.objective = originalObjective();
        info.primalInfeasibility = 0.0;
        for (std::size_t i = 0; i < m_; ++i) {
            info.primalInfeasibility =
                std::max(info.primalInfeasibility,
                         scaling_.rhs * std::fabs(res_.rp[i]) / scaling_.row[i] / it_.tau);
        }
        info.dualInfeasibility = 0.0;
        for (std::size_t j = 0; j < n_; ++j) {
            info.dualInfeasibility =
                std::max(info.dualInfeasibility,
                         scaling_.cost * std::fabs(res_.rd[j]) / scaling_.col[j] / it_.tau);
        }
        info.barrier = mu;
        info.complementarity = mu * static_cast<double>(pairs_);
        if (onIteration) onIteration(info);
        result.iterations = k;
        result.objective = info.objective;

        if (!std::isfinite(mu) || !std::isfinite(m.pobj) || !std::isfinite(m.dobj) ||
            !(it_.tau > 0.0)) {
            result.status = IpmStatus::NumericalFailure;
            result.message = "the iterates are no longer finite";
            break;
        }
        if (const auto status = verdict(m, result.message)) {
            result.status = *status;
            break;
        }
        if (stalled >= par_.stallIterations) {
            result.status = IpmStatus::NumericalFailure;
            result.message = "no progress for " + std::to_string(stalled) + " iterations";
            break;
        }
        if (k >= par_.maxIterations) {
            result.status = IpmStatus::IterationLimit;
            result.message = "iteration limit reached";
            break;
        }
        info.stepLength = step();
        info.corrections = 1;
        stalled = info.stepLength < par_.stallStep ? stalled + 1 : 0;
    }
    if (result.status == IpmStatus::Optimal) {
        snapToActiveBounds();
    }
    result.refactorizations = newton_.refactorizations();
    result.rankDeficientFactors = newton_.rankDeficientFactors();
    unscale(result);
    if (result.status == IpmStatus::Optimal) {
        result.objective = orig_.constant;
        for (std::size_t j = 0; j < n_; ++j) result.objective += orig_.c[j] * result.x[j];
        if (quadratic_) result.objective += 0.5 * quadraticForm(orig_.Q, result.x);
    }
    return result;
}

}  // namespace lpsolve
