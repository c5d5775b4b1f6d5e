#include "examples/lpsolve/newton_system.hpp"

#include <algorithm>
#include <cmath>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/sparse_ops.hpp"

namespace lpsolve {
namespace {

// Small enough not to disturb the step, large enough to make free columns factorable.
// The dual regularization starts where the back end asks. Both are raised by a factor of
// 100 per failed attempt.
constexpr double kPrimalReg = 1e-12;
constexpr int kMaxAttempts = 6;
constexpr int kRefinementSteps = 4;
// Refinement stops once the residual is this small relative to the right-hand side.
constexpr double kRefinementTarget = 1e-13;

}  // namespace

NewtonSystem::NewtonSystem(const CscMatrix& A, KktSolver& kkt)
    : A_(A), kkt_(kkt), primalReg_(kPrimalReg), dualReg_(kkt.baseDualRegularization()) {}

void NewtonSystem::factor(const std::vector<double>& d) {
    // Start each iteration from the base values again: a hard iteration should not
    // slow down the ones after it.
    primalReg_ = kPrimalReg;
    dualReg_ = kkt_.baseDualRegularization();
    bool rankRetried = false;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        d_.resize(d.size());
        for (std::size_t j = 0; j < d.size(); ++j) d_[j] = d[j] + primalReg_;
        const KktReport report = kkt_.factor(d_, dualReg_);
        if (report.factored && report.inertiaOk) {
            const bool fullRank = report.rank == A_.rows + A_.cols;
            if (fullRank || rankRetried) return;
            // Dependent rows (or rows whose columns all sit at bounds): the factor shifted
            // some pivots. Raise the dual regularization once so that the shift is applied
            // consistently to the whole dual block, then accept what comes.
            ++rankDeficient_;
            rankRetried = true;
            dualReg_ *= 100.0;
            continue;
        }
        ++refactorizations_;
        primalReg_ *= 100.0;
        dualReg_ *= 100.0;
    }
    throw LpError(ExitCode::NumericalFailure,
                  "the KKT matrix could not be factored (" + kkt_.name() +
                      " linear algebra): wrong inertia or rank even with regularization " +
                      std::to_string(primalReg_ / 100.0));
}

void NewtonSystem::residual(const std::vector<double>& rhs, const std::vector<double>& sol,
                            std::vector<double>& r) const {
    // r = rhs - [-D A'; A 0] sol
    const std::size_t n = A_.cols, m = A_.rows;
    r = rhs;
    const std::vector<double> ypart(sol.begin() + static_cast<long>(n), sol.end());
    std::vector<double> aty;
    multiplyTransposed(A_, ypart, aty);
    for (std::size_t j = 0; j < n; ++j) r[j] -= -d_[j] * sol[j] + aty[j];
    std::vector<double> xpart(sol.begin(), sol.begin() + static_cast<long>(n));
    std::vector<double> ax;
    multiply(A_, xpart, ax);
    for (std::size_t i = 0; i < m; ++i) r[n + i] -= ax[i];
}

void NewtonSystem::solve(const std::vector<double>& f, const std::vector<double>& g,
                         std::vector<double>& dx, std::vector<double>& dy) {
    const std::size_t n = A_.cols;
    rhs_.assign(f.begin(), f.end());
    rhs_.insert(rhs_.end(), g.begin(), g.end());
    sol_ = rhs_;
    kkt_.solve(sol_);
    residual(rhs_, sol_, res_);
    double resNorm = normInf(res_);
    const double goodEnough = kRefinementTarget * (1.0 + normInf(rhs_));
    for (int step = 0; step < kRefinementSteps && resNorm > goodEnough; ++step) {
        std::vector<double> correction = res_;
        kkt_.solve(correction);
        std::vector<double> trial = sol_;
        for (std::size_t i = 0; i < trial.size(); ++i) trial[i] += correction[i];
        std::vector<double> trialRes;
        residual(rhs_, trial, trialRes);
        const double trialNorm = normInf(trialRes);
        if (!(trialNorm < resNorm)) break;  // refinement stopped helping
        sol_.swap(trial);
        res_.swap(trialRes);
        resNorm = trialNorm;
    }
    dx.assign(sol_.begin(), sol_.begin() + static_cast<long>(n));
    dy.assign(sol_.begin() + static_cast<long>(n), sol_.end());
}

}  // namespace lpsolve
