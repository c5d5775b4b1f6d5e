#include "examples/lpsolve/newton_system.hpp"

#include <algorithm>
#include <cmath>

#include "examples/lpsolve/lp_error.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

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

SparseMatrix toSparseMatrix(const CscMatrix& A) {
    SparseMatrix S(static_cast<long>(A.rows), static_cast<long>(A.cols),
                   static_cast<long>(A.nnz()));
    for (std::size_t j = 0; j < A.colStart.size(); ++j) S.jc[j] = static_cast<long>(A.colStart[j]);
    double* values = S.data();
    for (std::size_t k = 0; k < A.nnz(); ++k) {
        S.ir[k] = static_cast<long>(A.rowIndex[k]);
        values[k] = A.value[k];
    }
    return S;
}

}  // namespace

NewtonSystem::NewtonSystem(const CscMatrix& A, KktSolver& kkt)
    : A_(A),
      S_(toSparseMatrix(A)),
      kkt_(kkt),
      primalReg_(kPrimalReg),
      dualReg_(kkt.baseDualRegularization()) {}

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

void NewtonSystem::residual(const AlignedVector& rhs, const std::vector<double>& sol,
                            AlignedVector& r) {
    // r = rhs - [-D A'; A 0] sol. The KKT solver hands back one std::vector, the product
    // kernels take whole AlignedVectors: the two parts go into reused scratch vectors.
    const std::size_t n = A_.cols, m = A_.rows;
    r = rhs;
    xPart_.assign(sol.begin(), sol.begin() + static_cast<long>(n));
    yPart_.assign(sol.begin() + static_cast<long>(n), sol.end());
    aty_.resize(n);
    tr_matvec(aty_.begin(), S_, yPart_);
    for (std::size_t j = 0; j < n; ++j) r[j] -= -d_[j] * sol[j] + aty_[j];
    ax_.resize(m);
    matvec(ax_.begin(), S_, xPart_);
    for (std::size_t i = 0; i < m; ++i) r[n + i] -= ax_[i];
}

void NewtonSystem::solveRefined(std::span<const double> f, std::span<const double> g) {
    rhs_.assign(f.begin(), f.end());
    rhs_.insert(rhs_.end(), g.begin(), g.end());
    sol_.assign(rhs_.begin(), rhs_.end());
    kkt_.solve(sol_);
    residual(rhs_, sol_, res_);
    double resNorm = norminf(res_);
    const double goodEnough = kRefinementTarget * (1.0 + norminf(rhs_));
    for (int step = 0; step < kRefinementSteps && resNorm > goodEnough; ++step) {
        correction_.assign(res_.begin(), res_.end());
        kkt_.solve(correction_);
        trial_ = sol_;
        for (std::size_t i = 0; i < trial_.size(); ++i) trial_[i] += correction_[i];
        residual(rhs_, trial_, trialRes_);
        const double trialNorm = norminf(trialRes_);
        if (!(trialNorm < resNorm)) break;  // refinement stopped helping
        sol_.swap(trial_);
        res_.swap(trialRes_);
        resNorm = trialNorm;
    }
}

void NewtonSystem::solve(std::span<const double> f, std::span<const double> g,
                         std::vector<double>& dx, std::vector<double>& dy) {
    solveRefined(f, g);
    const auto split = sol_.begin() + static_cast<long>(A_.cols);
    dx.assign(sol_.begin(), split);
    dy.assign(split, sol_.end());
}

void NewtonSystem::solve(std::span<const double> f, std::span<const double> g, AlignedVector& dx,
                         AlignedVector& dy) {
    solveRefined(f, g);
    const auto split = sol_.begin() + static_cast<long>(A_.cols);
    dx.assign(sol_.begin(), split);
    dy.assign(split, sol_.end());
}

}  // namespace lpsolve
