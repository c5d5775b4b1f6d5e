// Dense back end: the KKT matrix assembled by sym_kktcat and factored by the dynamically
// regularized LDL' (no pivoting; tiny pivots are shifted and reported).
#include <algorithm>
#include <cmath>

#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/kkt_scaling.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/kernels/kkt_kernels.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"

namespace lpsolve {
namespace {

class DynamicRegKkt final : public KktSolver {
public:
    explicit DynamicRegKkt(const KktSystem& system)
        : A_(*system.A),
          L_(system.hasOffDiagonal() ? system.L : nullptr),
          n_(static_cast<long>(A_.cols)),
          m_(static_cast<long>(A_.rows)),
          H_(n_, n_),
          As_(m_, n_),
          K_(n_ + m_, n_ + m_),
          b_(static_cast<std::size_t>(n_ + m_)) {
        for (long j = 0; j < n_; ++j) H_(j, j) = -1.0;
    }

    KktReport factor(const KktValues& values) override {
        const double dualReg = values.dualReg;
        columnScaling(values, s_);
        if (L_ != nullptr) {  // -I - S (L + L') S, both triangles
            for (long j = 0; j < n_; ++j) {
                for (std::size_t k = L_->colStart[j]; k < L_->colStart[j + 1]; ++k) {
                    const long i = static_cast<long>(L_->rowIndex[k]);
                    H_(i, j) = H_(j, i) = -s_[i] * L_->value[k] * s_[j];
                }
            }
        }
        for (long j = 0; j < n_; ++j) {
            for (std::size_t k = A_.colStart[j]; k < A_.colStart[j + 1]; ++k) {
                As_(static_cast<long>(A_.rowIndex[k]), j) = A_.value[k] * s_[j];
            }
        }
        // Lower triangle of [H -(AS)'; -AS 0]; the dual block's diagonal gets delta.
        sym_kktcat(K_, H_, As_, false);
        for (long i = n_; i < n_ + m_; ++i) K_(i, i) = dualReg;

        params_.rp = solvutil::DynamicRegParams::RP_DEFAULT;  // primal pivots are negative
        params_.rd = std::max(dualReg, 1e-14);                // shift for a vanishing dual pivot
        params_.nPrimal = static_cast<unsigned long>(n_);
        params_.checkInertia = true;
        solver_.factor(K_, static_cast<unsigned long>(n_ + m_), params_);

        KktReport report;
        report.factored = true;
        for (long i = 0; i < n_ + m_; ++i) {
            const double pivot = K_(i, i);
            if (!std::isfinite(pivot)) report.factored = false;
            if (pivot < 0.0) ++report.negativePivots;
        }
        report.rank = params_.rank;
        report.regularizedPivots = params_.regIndices.size();
        report.inertiaOk = params_.primalInertiaOK && params_.dualInertiaOK;
        return report;
    }

    void solve(std::vector<double>& rhs) override {
        // [H -(AS)'; -AS delta] [x~; -y] = [S f; -g], then dx = S x~, dy = y.
        for (long j = 0; j < n_; ++j) b_[j] = s_[j] * rhs[j];
        for (long i = n_; i < n_ + m_; ++i) b_[i] = -rhs[i];
        solver_.solve(K_, static_cast<unsigned long>(n_ + m_), b_);
        for (long j = 0; j < n_; ++j) rhs[j] = s_[j] * b_[j];
        for (long i = n_; i < n_ + m_; ++i) rhs[i] = -b_[i];
    }

    std::string name() const override { return "dense"; }
    // No pivoting: with a smaller delta the quasi-definite LDL' lost A x = b on random LPs.
    double baseDualRegularization() const override { return 1e-12; }

private:
    const CscMatrix& A_;
    const CscMatrix* L_;  // null for an LP or a diagonal Hessian
    long n_, m_;
    DenseMatrix H_, As_, K_;  // H = -I - S (L + L') S
    AlignedVector b_;
    std::vector<double> s_;
    solvutil::DynamicRegSolver solver_;
    solvutil::DynamicRegParams params_;
};

}  // namespace

std::unique_ptr<KktSolver> makeDenseKkt(const KktSystem& system) {
    return std::make_unique<DynamicRegKkt>(system);
}

}  // namespace lpsolve
