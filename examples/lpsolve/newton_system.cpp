#include "examples/lpsolve/newton_system.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "examples/lpsolve/lp_error.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace lpsolve {
namespace {

// Small enough not to disturb the step, large enough to make free columns factorable.
constexpr double kBasePrimalReg = 1e-14;
// Where A (D + rho)^-1 A' is formed, each of its diagonal entries gets this fraction of
// itself as dual regularization. D spreads over twelve orders near a solution, so a fixed
// delta soon drops below the rounding noise of the rows with large entries: dependent rows
// then give pivots that are noise, which either count as null (one more factorization for
// the rank in nearly every iteration) or, just above the factor's null-pivot threshold,
// spoil the direction. The refinement below removes its bias.
constexpr double kRelativeDualReg = 1e-12;
// A QP's primal block -(Q + D) is only semidefinite where D vanishes and Q is singular:
// more regularization keeps its pivots away from 0 (refinement removes the bias).
constexpr double kBaseQpPrimalReg = 1e-10;
constexpr int kMaxAttempts = 8;
constexpr double kStrengthCap = 1e-4;
constexpr int kMaxRefinementSteps = 8;
// Refinement stops once the residual is at rounding level relative to the right-hand side.
// (Stopping when a step gains less than half, or a tenth, saved solves on poorly
// regularized factors but changed verdicts on degenerate rank-deficient LPs: the last
// percents decide whether the step is recomputed with more regularization.)
constexpr double kRefinementTarget = 1e-14;

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

NewtonSystem::NewtonSystem(const KktSystem& system, KktSolver& kkt,
                           std::span<const double> hessianDiagonal)
    : A_(*system.A),
      L_(system.hasOffDiagonal() ? system.L : nullptr),
      hessianDiag_(hessianDiagonal.begin(), hessianDiagonal.end()),
      S_(toSparseMatrix(*system.A)),
      kkt_(kkt),
      policy_(hessianDiagonal.empty() ? kBasePrimalReg : kBaseQpPrimalReg,
              kkt.baseDualRegularization()) {}

void NewtonSystem::factor(std::span<const double> d) {
    for (const double v : d) {
        if (!(v >= 0.0) || !std::isfinite(v)) {
            throw LpError(ExitCode::NumericalFailure,
                          "the barrier diagonal is no longer finite (the iterates left the "
                          "range of double precision)");
        }
    }
    d_.assign(d.begin(), d.end());
    for (std::size_t j = 0; j < hessianDiag_.size(); ++j) d_[j] += hessianDiag_[j];
    policy_.startFactorization();
    factorWithPolicy();
}

bool NewtonSystem::strengthen() {
    // Beyond this much regularization the factor no longer serves to refine against the
    // unregularized system, so a stronger one would not help the solves.
    if (policy_.dual() * 100.0 > kStrengthCap || policy_.primal() * 100.0 > kStrengthCap)
        return false;
    ++refactorizations_;
    policy_.raiseForInertia();
    factorWithPolicy();
    return true;
}

void NewtonSystem::factorWithPolicy() {
    worstSinceFactor_ = 0.0;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const KktReport report =
            kkt_.factor({d_, policy_.primal(), policy_.dual(), kRelativeDualReg});
        if (report.factored && report.inertiaOk) {
            if (report.rank == A_.rows + A_.cols) return;
            // Dependent rows (or rows whose columns all sit at bounds): the factor shifted
            // some pivots. Raise delta once so the whole dual block is shifted alike.
            if (!policy_.raiseForRank()) return;
            ++rankDeficient_;
            continue;
        }
        ++refactorizations_;
        policy_.raiseForInertia();
    }
    throw LpError(ExitCode::NumericalFailure,
                  "the KKT matrix could not be factored (" + kkt_.name() +
                      " linear algebra): wrong inertia or rank even with regularization " +
                      std::to_string(policy_.primal()));
}

double NewtonSystem::residual(const AlignedVector& rhs, const std::vector<double>& sol,
                              AlignedVector& r) {
    // The KKT solver hands back one std::vector, the product kernels take whole
    // AlignedVectors: the two parts go into reused scratch vectors.
    const std::size_t n = A_.cols, m = A_.rows;
    r = rhs;
    xPart_.assign(sol.begin(), sol.begin() + static_cast<long>(n));
    yPart_.assign(sol.begin() + static_cast<long>(n), sol.end());
    aty_.resize(n);
    tr_matvec(aty_.begin(), S_, yPart_);
    for (std::size_t j = 0; j < n; ++j) r[j] -= -d_[j] * sol[j] + aty_[j];
    if (L_ != nullptr) {  // - (L + L') x
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t k = L_->colStart[j]; k < L_->colStart[j + 1]; ++k) {
                const std::size_t i = L_->rowIndex[k];
                r[i] += L_->value[k] * sol[j];
                r[j] += L_->value[k] * sol[i];
            }
        }
    }
    ax_.resize(m);
    matvec(ax_.begin(), S_, xPart_);
    for (std::size_t i = 0; i < m; ++i) r[n + i] -= ax_[i];
    const double norm = norminf(r);
    return std::isnan(norm) ? HUGE_VAL : norm;
}

void NewtonSystem::solve(std::span<const double> f, std::span<const double> g, AlignedVector& dx,
                         AlignedVector& dy) {
    const Rhs one[] = {{f, g, &dx, &dy}};
    solve(one);
}

void NewtonSystem::solve(std::span<const Rhs> batch) {
    const std::size_t N = A_.cols + A_.rows;
    columns_.resize(batch.size());
    block_.clear();
    for (std::size_t k = 0; k < batch.size(); ++k) {
        Column& c = columns_[k];
        c.rhs.assign(batch[k].f.begin(), batch[k].f.end());
        c.rhs.insert(c.rhs.end(), batch[k].g.begin(), batch[k].g.end());
        c.scale = 1.0 + norminf(c.rhs);
        block_.insert(block_.end(), c.rhs.begin(), c.rhs.end());
    }
    kkt_.solveColumns(block_, batch.size());
    std::vector<std::size_t> refining;  // the columns still above the target
    for (std::size_t k = 0; k < batch.size(); ++k) {
        Column& c = columns_[k];
        c.sol.assign(block_.begin() + static_cast<long>(k * N),
                     block_.begin() + static_cast<long>((k + 1) * N));
        c.resNorm = residual(c.rhs, c.sol, c.res);
        if (c.resNorm > kRefinementTarget * c.scale) refining.push_back(k);
    }
    for (int step = 0; step < kMaxRefinementSteps && !refining.empty(); ++step) {
        block_.clear();
        for (const std::size_t k : refining)
            block_.insert(block_.end(), columns_[k].res.begin(), columns_[k].res.end());
        kkt_.solveColumns(block_, refining.size());
        std::size_t kept = 0;
        for (std::size_t t = 0; t < refining.size(); ++t) {
            Column& c = columns_[refining[t]];
            c.trial = c.sol;
            for (std::size_t i = 0; i < N; ++i) c.trial[i] += block_[t * N + i];
            const double trialNorm = residual(c.rhs, c.trial, c.trialRes);
            if (!(trialNorm < c.resNorm)) continue;  // refinement stopped helping
            c.sol.swap(c.trial);
            c.res.swap(c.trialRes);
            c.resNorm = trialNorm;
            if (c.resNorm > kRefinementTarget * c.scale) refining[kept++] = refining[t];
        }
        refining.resize(kept);
    }
    for (std::size_t k = 0; k < batch.size(); ++k) {
        const Column& c = columns_[k];
        worstSinceFactor_ = std::max(worstSinceFactor_, c.resNorm / c.scale);
        const auto split = c.sol.begin() + static_cast<long>(A_.cols);
        batch[k].dx->assign(c.sol.begin(), split);
        batch[k].dy->assign(split, c.sol.end());
    }
}

}  // namespace lpsolve
