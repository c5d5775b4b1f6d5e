#include "examples/lpsolve/hsd_method.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "examples/lpsolve/certificates.hpp"
#include "examples/lpsolve/hessian.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace lpsolve {

// Mehrotra's starting point in the embedding: x with A x = b nearest to a reference
// inside the bounds, y with A'y nearest to c, and z = c - A'y split by sign; then every
// slack and dual is shifted to be positive and shifted again by the same amount so that
// no pair starts far from the others. The bound slacks xl, xu need not match x: the
// embedding carries their residuals rl, ru. tau = 1 and kappa starts at the average
// complementarity.
void HomogeneousIpm::startingPoint() {
    AlignedVector ref(n_, 0.0);
    for (std::size_t j = 0; j < n_; ++j) {
        if (hasL_[j] && hasU_[j])
            ref[j] = 0.5 * (sf_.lower[j] + sf_.upper[j]);
        else if (hasL_[j])
            ref[j] = sf_.lower[j];
        else if (hasU_[j])
            ref[j] = sf_.upper[j];
    }
    newton_.factor(AlignedVector(n_, 1.0));
    AlignedVector aref(m_), g(m_), zero(n_, 0.0), zeroRows(m_, 0.0), dx, dy, w;
    matvec(aref.begin(), A_, ref);
    for (std::size_t i = 0; i < m_; ++i) g[i] = b_[i] - aref[i];
    // A dx = b - A ref with the least change dx, and -w + A'y = c: z = c - A'y = -w.
    const NewtonSystem::Rhs both[] = {{zero, g, &dx, &dy}, {c_, zeroRows, &w, &it_.y}};
    newton_.solve(both);
    it_.x.resize(n_);
    for (std::size_t j = 0; j < n_; ++j) it_.x[j] = ref[j] + dx[j];

    it_.xl.assign(n_, 0.0);
    it_.xu.assign(n_, 0.0);
    it_.zl.assign(n_, 0.0);
    it_.zu.assign(n_, 0.0);
    double minSlack = HUGE_VAL, minDual = HUGE_VAL;
    if (quadratic_) {  // z = c + Q x - A'y at the x found above
        hessianProduct(sf_.Q, it_.x, w);
        AlignedVector aty(n_);
        tr_matvec(aty.begin(), A_, it_.y);
        for (std::size_t j = 0; j < n_; ++j) w[j] = aty[j] - c_[j] - w[j];
    }
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
        if (quadratic_) {  // the dual row's terms include |Q||x|
            for (std::size_t k = sf_.Q.colStart[j]; k < sf_.Q.colStart[j + 1]; ++k)
                aty += std::fabs(sf_.Q.value[k] * it_.x[sf_.Q.rowIndex[k]]);
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
    if (quadratic_) {  // each objective carries half of x'Qx / tau^2
        r.pobj += 0.5 * xQx_ / (tau * tau);
        r.dobj -= 0.5 * xQx_ / (tau * tau);
    }
    // Relative to the objectives. The floor (tol in the scaled objective's unit) lets an
    // optimum of exactly zero be reached; a floor of 1 would accept an objective that is
    // small against that unit with only a few correct digits.
    r.gap = std::fabs(r.pobj - r.dobj) / (std::fabs(r.pobj) + std::fabs(r.dobj) + par_.tolerance);
    return r;
}

// Optimal when every relative measure is within the tolerance. Otherwise the iterate is
// offered as a certificate to the checks on the unscaled problem (y for infeasibility, x
// for a ray): only a certificate that holds gives a verdict.
std::optional<IpmStatus> HomogeneousIpm::verdict(const Measures& m, std::string& message) const {
    if (m.primal <= par_.tolerance && m.dual <= par_.tolerance && m.gap <= par_.tolerance) {
        message = "optimal solution found";
        return IpmStatus::Optimal;
    }
    std::vector<double> y(m_), d(n_);
    for (std::size_t i = 0; i < m_; ++i) y[i] = scaling_.row[i] * it_.y[i];
    for (std::size_t j = 0; j < n_; ++j) d[j] = scaling_.col[j] * it_.x[j];
    const double tol = std::max(par_.tolerance, par_.certificateTolerance);
    if (checkFarkas(orig_, y, tol, &scaling_).holds) {
        message =
            "the problem is infeasible (a Farkas certificate was checked on the original data)";
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
        message =
            "the objective decreases without bound along a ray (checked on the original data)";
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

// c'x (+ 1/2 x'Qx) + constant on the unscaled data: beta * gamma * c~'x~ would overflow first when
// a cost is near the largest double.
double HomogeneousIpm::originalObjective() const {
    double f = orig_.constant;
    for (std::size_t j = 0; j < n_; ++j) {
        if (orig_.c[j] != 0.0)
            f += orig_.c[j] * (scaling_.rhs * scaling_.col[j] * (it_.x[j] / it_.tau));
    }
    if (quadratic_) {
        std::vector<double> x(n_);
        for (std::size_t j = 0; j < n_; ++j)
            x[j] = scaling_.rhs * scaling_.col[j] * (it_.x[j] / it_.tau);
        f += 0.5 * quadraticForm(orig_.Q, x);
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

}  // namespace lpsolve
