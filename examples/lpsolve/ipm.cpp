#include "examples/lpsolve/ipm.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "examples/lpsolve/certificates.hpp"
#include "examples/lpsolve/hsd_types.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/newton_system.hpp"
#include "examples/lpsolve/scaling.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace lpsolve {
namespace {

// The measures the stopping tests look at, in the scaled problem's units: each residual
// entry relative to 1 plus the size of the terms it is made of.
struct Measures {
    double primal = 0.0, dual = 0.0, gap = 0.0;
    double pobj = 0.0, dobj = 0.0;  // c'x / tau, (b'y + l'zl - u'zu) / tau
};

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
    if (!ok) throw LpError(ExitCode::NumericalFailure, std::string(what) + " holds a value that is not finite");
}

class HomogeneousIpm {
public:
    HomogeneousIpm(const StandardForm& original, const IpmParameters& par, LinearAlgebra la)
        : orig_(original),
          scaling_(equilibrate(original)),
          sf_(applyScaling(original, scaling_)),
          par_(par),
          system_{&sf_.A},
          kkt_(makeKktSolver(system_, la)),
          newton_(system_, *kkt_),
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
        ++pairs_;  // tau * kappa
        requireFiniteData(sf_, "the scaled problem");  // a scale factor may overflow
    }

    IpmResult run(const IterationCallback& onIteration);

private:
    void startingPoint();
    void residuals();
    double barrier() const;
    Measures measure() const;
    void factor();
    void solveTauColumn();
    double predictorCorrector(HsdPoint& dir);
    void direction(double eta, const AlignedVector& xil, const AlignedVector& xiu, double xitk,
                   HsdPoint& d);
    double maxStep(const HsdPoint& d) const;
    double step();
    std::optional<IpmStatus> verdict(const Measures& m, std::string& message) const;
    void unscale(IpmResult& result) const;
    void snapToActiveBounds();
    std::vector<signed char> atBound_;  // filled by snapToActiveBounds
    double originalObjective() const;

    const StandardForm& orig_;
    Scaling scaling_;
    StandardForm sf_;  // scaled
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
    AlignedVector lastStep_;  // x after the last step minus x before it
    AlignedVector px_, py_;   // the tau column: K p = [c - (zl/xl) l - (zu/xu) u; b]
    double tauPivot_ = 0.0;   // kappa/tau + sum (zl/xl)(px - l)^2 + (zu/xu)(px - u)^2
    AlignedVector d_, f_, g_, qx_, qy_, work_;
};

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

// Mehrotra's starting point in the embedding: x with A x = b nearest to a reference
// inside the bounds, y with A'y nearest to c, and z = c - A'y split by sign; then every
// slack and dual is shifted to be positive and shifted again by the same amount so that
// no pair starts far from the others. The bound slacks xl, xu need not match x: the
// embedding carries their residuals rl, ru. tau = 1 and kappa starts at the average
// complementarity.
void HomogeneousIpm::startingPoint() {
    AlignedVector ref(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j] && hasU_[j]) ref[j] = 0.5 * (sf_.lower[j] + sf_.upper[j]);
        else if (hasL_[j]) ref[j] = sf_.lower[j];
        else if (hasU_[j]) ref[j] = sf_.upper[j];
    }
    newton_.factor(AlignedVector(n_, 1.0));
    AlignedVector aref(m_), g(m_), zero(n_, 0.0), dx, dy, w;
    matvec(aref.begin(), A_, ref);
    for (std::size_t i = 0; i < m_; ++i) g[i] = b_[i] - aref[i];
    newton_.solve(zero, g, dx, dy);
    it_.x.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) it_.x[j] = ref[j] + dx[j];
    newton_.solve(c_, AlignedVector(m_, 0.0), w, it_.y);  // -w + A'y = c: z = c - A'y = -w

    it_.xl.assign(n_, 0.0);
    it_.xu.assign(n_, 0.0);
    it_.zl.assign(n_, 0.0);
    it_.zu.assign(n_, 0.0);
    double minSlack = HUGE_VAL, minDual = HUGE_VAL;
    for (std::size_t j = 0; j < n_; ++j) {
        const double z = -w[j];
        if (hasL_[j]) {
            it_.xl[j] = it_.x[j] - sf_.lower[j];
            it_.zl[j] = hasU_[j] ? std::max(z, 0.0) : z;
            minSlack = std::min(minSlack, it_.xl[j]);
            minDual = std::min(minDual, it_.zl[j]);
        }
        if (hasU_[j]) {
            it_.xu[j] = sf_.upper[j] - it_.x[j];
            it_.zu[j] = hasL_[j] ? std::max(-z, 0.0) : -z;
            minSlack = std::min(minSlack, it_.xu[j]);
            minDual = std::min(minDual, it_.zu[j]);
        }
    }
    it_.tau = 1.0;
    it_.kappa = 1.0;
    if (pairs_ == 1) return;
    // Positive, with a margin of at least 1 in the scaled units.
    const double shiftSlack = std::max(-1.5 * minSlack, 0.0) + 1.0;
    const double shiftDual = std::max(-1.5 * minDual, 0.0) + 1.0;
    double slackSum = 0.0, dualSum = 0.0, product = 0.0;
    const auto shift = [&](double& s, double& z) {
        s += shiftSlack, z += shiftDual;
        slackSum += s, dualSum += z, product += s * z;
    };
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) shift(it_.xl[j], it_.zl[j]);
        if (hasU_[j]) shift(it_.xu[j], it_.zu[j]);
    }
    const double moreSlack = 0.5 * product / dualSum, moreDual = 0.5 * product / slackSum;
    double complementarity = 0.0;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) {
            it_.xl[j] += moreSlack, it_.zl[j] += moreDual;
            complementarity += it_.xl[j] * it_.zl[j];
        }
        if (hasU_[j]) {
            it_.xu[j] += moreSlack, it_.zu[j] += moreDual;
            complementarity += it_.xu[j] * it_.zu[j];
        }
    }
    it_.kappa = complementarity / static_cast<double>(pairs_ - 1);
}

Measures HomogeneousIpm::measure() const {
    Measures r;
    const double tau = it_.tau;
    // Each residual relative to 1 plus the size of the terms it is made of (|A||x|,
    // |A'||y|), norm-wise over the equilibrated rows and columns. The 1 is the unit of
    // the scaled data (largest right-hand side and cost), so that a point whose terms
    // all vanish, as at x = 0, is measured too.
    double axNorm = 0.0, atyNorm = 0.0;
    AlignedVector ax(m_, 0.0);
    const double* v = A_.data();
    for (std::size_t j = 0; j < n_; ++j) {
        double aty = 0.0;
        for (long k = A_.jc[j]; k < A_.jc[j + 1]; ++k) {
            const std::size_t i = static_cast<std::size_t>(A_.ir[k]);
            ax[i] += std::fabs(v[k] * it_.x[j]);
            aty += std::fabs(v[k] * it_.y[i]);
        }
        atyNorm = std::max(atyNorm, aty);
    }
    axNorm = norminf(ax);
    const double xNorm = norminf(it_.x);
    r.primal = norminf(res_.rp) / (tau + std::max(tau * norminf(b_), axNorm));
    // The bound duals enter column by column: one large reduced cost must not relax the
    // test of every other column.
    const double dualScale = tau + std::max(tau * norminf(c_), atyNorm);
    for (std::size_t j = 0; j < n_; ++j) {
        r.dual = std::max(r.dual, std::fabs(res_.rd[j]) / (dualScale + it_.zl[j] + it_.zu[j]));
    }
    double dobj = dotprod(b_, it_.y);
    for (std::size_t j = 0; j < n_; ++j) {
        // The bound identities x - xl = l tau, x + xu = u tau: relative to their own terms.
        if (hasL_[j]) {
            const double terms = tau + xNorm + it_.xl[j] + std::fabs(tau * sf_.lower[j]);
            r.primal = std::max(r.primal, std::fabs(res_.rl[j]) / terms);
            dobj += sf_.lower[j] * it_.zl[j];
        }
        if (hasU_[j]) {
            const double terms = tau + xNorm + it_.xu[j] + std::fabs(tau * sf_.upper[j]);
            r.primal = std::max(r.primal, std::fabs(res_.ru[j]) / terms);
            dobj -= sf_.upper[j] * it_.zu[j];
        }
    }
    r.pobj = dotprod(c_, it_.x) / tau;
    r.dobj = dobj / tau;
    // Relative to the objectives. The floor (tol in the scaled objective's unit) lets an
    // optimum of exactly zero be reached; a floor of 1 would accept an objective that is
    // small against that unit with only a few correct digits.
    r.gap = std::fabs(r.pobj - r.dobj) / (std::fabs(r.pobj) + std::fabs(r.dobj) + par_.tolerance);
    return r;
}

void HomogeneousIpm::factor() {
    d_.assign(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j]) d_[j] += it_.zl[j] / it_.xl[j];
        if (hasU_[j]) d_[j] += it_.zu[j] / it_.xu[j];
    }
    newton_.factor(d_);
    solveTauColumn();
}

// The tau column p of the eliminated system, K p = [c - (zl/xl) l - (zu/xu) u; b], and
// the pivot of tau.
void HomogeneousIpm::solveTauColumn() {
    f_.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) {
        f_[j] = c_[j];
        if (hasL_[j]) f_[j] -= it_.zl[j] / it_.xl[j] * sf_.lower[j];
        if (hasU_[j]) f_[j] -= it_.zu[j] / it_.xu[j] * sf_.upper[j];
    }
    newton_.solve(f_, b_, px_, py_);
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

// The Newton direction that reduces every residual by the factor (1 - eta) and aims the
// complementarity products at xl zl + (xil), xu zu + (xiu), tau kappa + (xitk).
void HomogeneousIpm::direction(double eta, const AlignedVector& xil, const AlignedVector& xiu,
                               double xitk, HsdPoint& d) {
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
    newton_.solve(f_, g_, qx_, qy_);
    // g_x'q_x + b'q_y with g_x = -c - (zl/xl) l - (zu/xu) u.
    double gq = dotprod(b_, qy_);
    for (std::size_t j = 0; j < n_; ++j) {
        double gx = -c_[j];
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
            d.xl[j] = dx - sf_.lower[j] * dtau - eta * res_.rl[j];
            d.zl[j] = (xil[j] - it_.zl[j] * d.xl[j]) / it_.xl[j];
        }
        if (hasU_[j]) {
            d.xu[j] = sf_.upper[j] * dtau - dx + eta * res_.ru[j];
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
    HsdPoint aff;
    direction(1.0, xil, xiu, -it_.tau * it_.kappa, aff);
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
    direction(1.0 - sigma, xil, xiu, xitk, dir);
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
    for (std::size_t attempt = 0; residual > par_.tolerance && attempt < par_.maxStrengthening; ++attempt) {
        if (!newton_.strengthen()) break;
        solveTauColumn();
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

// Optimal when every relative measure is within the tolerance. Otherwise the iterate is
// offered as a certificate to the checks on the unscaled problem (y for infeasibility, x
// for a ray): only a certificate that holds gives a verdict.
std::optional<IpmStatus> HomogeneousIpm::verdict(const Measures& m,
                                                std::string& message) const {
    if (m.primal <= par_.tolerance && m.dual <= par_.tolerance && m.gap <= par_.tolerance) {
        message = "optimal solution found";
        return IpmStatus::Optimal;
    }
    std::vector<double> y(m_), d(n_);
    for (std::size_t i = 0; i < m_; ++i) y[i] = scaling_.row[i] * it_.y[i];
    for (std::size_t j = 0; j < n_; ++j) d[j] = scaling_.col[j] * it_.x[j];
    const double tol = std::max(par_.tolerance, par_.certificateTolerance);
    if (checkFarkas(orig_, y, tol, &scaling_).holds) {
        message = "the problem is infeasible (a Farkas certificate was checked on the original data)";
        return IpmStatus::Infeasible;
    }
    // The iterate itself, and the last step: along a ray with free columns the iterate
    // keeps a tau-sized share of b that the step does not have.
    bool ray = checkRay(orig_, d, tol, &scaling_).holds;
    if (!ray && !lastStep_.empty()) {
        for (std::size_t j = 0; j < n_; ++j) d[j] = scaling_.col[j] * lastStep_[j];
        ray = checkRay(orig_, d, tol, &scaling_).holds;
    }
    if (ray) {
        message = "the objective decreases without bound along a ray (checked on the original data)";
        return IpmStatus::Unbounded;
    }
    return std::nullopt;
}

// At an optimum, moves every variable whose bound slack is smaller than the bound's dual
// (the bound is active: strict complementarity) onto that bound exactly, and keeps the
// move only if the primal residuals stay within the tolerance. An interior point leaves
// active variables a rounding-sized distance off their bounds, which a very large cost
// (say 1e308) turns into a large objective error.
void HomogeneousIpm::snapToActiveBounds() {
    const HsdPoint kept = it_;
    const HsdResiduals keptRes = res_;
    atBound_.assign(n_, 0);
    bool moved = false;
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j] && it_.xl[j] < it_.zl[j]) {
            it_.x[j] = it_.tau * sf_.lower[j], it_.xl[j] = 0.0, moved = true, atBound_[j] = -1;
            if (hasU_[j]) it_.xu[j] = it_.tau * sf_.upper[j] - it_.x[j];
        } else if (hasU_[j] && it_.xu[j] < it_.zu[j]) {
            it_.x[j] = it_.tau * sf_.upper[j], it_.xu[j] = 0.0, moved = true, atBound_[j] = 1;
            if (hasL_[j]) it_.xl[j] = it_.x[j] - it_.tau * sf_.lower[j];
        }
    }
    if (!moved) return;
    residuals();
    if (measure().primal <= par_.tolerance) return;
    atBound_.assign(n_, 0);
    it_ = kept;
    res_ = keptRes;
}

// c'x + constant on the unscaled data: beta * gamma * c~'x~ would overflow first when a
// cost is near the largest double.
double HomogeneousIpm::originalObjective() const {
    double f = orig_.constant;
    for (std::size_t j = 0; j < n_; ++j) {
        if (orig_.c[j] != 0.0) f += orig_.c[j] * (scaling_.rhs * scaling_.col[j] * (it_.x[j] / it_.tau));
    }
    return f;
}

void HomogeneousIpm::unscale(IpmResult& r) const {
    // At an optimum the point is divided by tau; a certificate is a direction and keeps
    // its own scale.
    const double t = r.status == IpmStatus::Optimal ? it_.tau : 1.0;
    r.x.resize(n_), r.zl.resize(n_), r.zu.resize(n_), r.y.resize(m_);
    for (std::size_t j = 0; j < n_; ++j) {
        r.x[j] = scaling_.rhs * scaling_.col[j] * (it_.x[j] / t);
        r.zl[j] = scaling_.cost * (it_.zl[j] / t) / scaling_.col[j];
        r.zu[j] = scaling_.cost * (it_.zu[j] / t) / scaling_.col[j];
    }
    for (std::size_t i = 0; i < m_; ++i) r.y[i] = scaling_.cost * scaling_.row[i] * (it_.y[i] / t);
    r.atBound = atBound_;
    for (std::size_t j = 0; j < atBound_.size(); ++j) {  // exactly, not via the scaled bound
        if (atBound_[j] != 0) r.x[j] = atBound_[j] < 0 ? orig_.lower[j] : orig_.upper[j];
    }
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
            info.primalInfeasibility = std::max(info.primalInfeasibility,
                                                scaling_.rhs * std::fabs(res_.rp[i]) / scaling_.row[i] / it_.tau);
        }
        info.dualInfeasibility = 0.0;
        for (std::size_t j = 0; j < n_; ++j) {
            info.dualInfeasibility = std::max(info.dualInfeasibility,
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
    }
    return result;
}

IpmResult noVariables(const StandardForm& sf, double tolerance) {
    IpmResult result;
    double bNorm = 0.0;
    for (const double v : sf.b) bNorm = std::max(bNorm, std::fabs(v));
    // Every row reads 0 = b_i, where b_i holds what the fixed columns left over.
    const bool feasible = bNorm <= tolerance;
    result.status = feasible ? IpmStatus::Optimal : IpmStatus::Infeasible;
    result.message = feasible ? "optimal solution found (no variables left)"
                              : "the problem is infeasible (a row without variables needs a nonzero value)";
    result.objective = sf.constant;
    result.y.assign(sf.rows(), 0.0);
    return result;
}


double largestCost(const StandardForm& sf, const std::vector<signed char>* skip) {
    double c = 0.0;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        if (skip == nullptr || (*skip)[j] == 0) c = std::max(c, std::fabs(sf.c[j]));
    }
    return c;
}

// The problem without the columns that sit on a bound: they move into b and the constant.
StandardForm withoutColumnsAtBounds(const StandardForm& sf, const IpmResult& r,
                                    std::vector<std::size_t>& kept) {
    StandardForm out;
    out.A.rows = sf.rows();
    out.A.colStart.push_back(0);
    out.b = sf.b;
    out.constant = sf.constant;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        const std::size_t begin = sf.A.colStart[j], end = sf.A.colStart[j + 1];
        if (r.atBound[j] != 0) {
            for (std::size_t k = begin; k < end; ++k) out.b[sf.A.rowIndex[k]] -= sf.A.value[k] * r.x[j];
            out.constant += sf.c[j] * r.x[j];
            continue;
        }
        kept.push_back(j);
        out.A.rowIndex.insert(out.A.rowIndex.end(), sf.A.rowIndex.begin() + begin, sf.A.rowIndex.begin() + end);
        out.A.value.insert(out.A.value.end(), sf.A.value.begin() + begin, sf.A.value.begin() + end);
        out.A.colStart.push_back(out.A.rowIndex.size());
        out.c.push_back(sf.c[j]);
        out.lower.push_back(sf.lower[j]);
        out.upper.push_back(sf.upper[j]);
    }
    out.A.cols = kept.size();
    return out;
}

// The scaled gap test resolves costs only down to tol times the largest one. When the
// columns left between their bounds carry only such costs (say 1 next to 1e308), they
// are solved again on their own, with the settled columns fixed, at their own scale.
void resolveSmallCosts(const StandardForm& sf, const IpmOptions& options,
                       const IpmParameters& par, IpmResult& result) {
    if (result.atBound.empty()) return;
    const double all = largestCost(sf, nullptr), rest = largestCost(sf, &result.atBound);
    if (!(rest < options.tolerance * all)) return;
    std::vector<std::size_t> kept;
    const StandardForm reduced = withoutColumnsAtBounds(sf, result, kept);
    if (reduced.cols() == 0) return;
    const IpmResult again = HomogeneousIpm(reduced, par, options.linearAlgebra).run(nullptr);
    result.iterations += again.iterations;
    if (again.status != IpmStatus::Optimal) return;  // the first answer stands
    for (std::size_t k = 0; k < kept.size(); ++k) result.x[kept[k]] = again.x[k];
    result.y = again.y;
    result.objective = again.objective;
}

}  // namespace

IpmResult solveIpm(const StandardForm& sf, const IpmOptions& options,
                   const IterationCallback& onIteration) {
    requireFiniteData(sf, "the problem");
    if (sf.cols() == 0) return noVariables(sf, options.tolerance);
    IpmParameters par;
    par.tolerance = options.tolerance;
    par.maxIterations = options.maxIterations;
    IpmResult result = HomogeneousIpm(sf, par, options.linearAlgebra).run(onIteration);
    if (result.status == IpmStatus::Optimal) resolveSmallCosts(sf, options, par, result);
    if (result.status != IpmStatus::Unbounded) return result;
    // A ray proves unboundedness only from a feasible point: find one (zero costs).
    StandardForm feasibility = sf;
    std::fill(feasibility.c.begin(), feasibility.c.end(), 0.0);
    const IpmResult phase = HomogeneousIpm(feasibility, par, options.linearAlgebra).run(nullptr);
    result.iterations += phase.iterations;
    result.refactorizations += phase.refactorizations;
    result.rankDeficientFactors += phase.rankDeficientFactors;
    if (phase.status == IpmStatus::Optimal) {
        result.message = "the problem is unbounded (" + result.message + " from a feasible point)";
        return result;
    }
    IpmResult out = phase;
    out.iterations = result.iterations;
    out.objective = result.objective;
    if (phase.status == IpmStatus::Infeasible) {
        out.message = "the problem is infeasible (no feasible point; its objective also has a ray of decrease)";
    }
    return out;
}

}  // namespace lpsolve
