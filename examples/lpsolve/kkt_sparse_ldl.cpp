// Sparse back end: the lower triangle of the scaled KKT matrix in compressed-column form,
// factored by EqnSolverSparseLDL. The pattern never changes, so the symbolic
// factorization runs once and every iteration only refreshes the values.
#include <algorithm>

#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/kkt_scaling.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace lpsolve {
namespace {

// Threshold for MUMPS' numerical pivoting: the quasi-definite matrix rarely needs it, and
// a low value keeps the fill of the analysis.
constexpr double kPivotThreshold = 0.01;

class SparseLdlKkt final : public KktSolver {
public:
    explicit SparseLdlKkt(const KktSystem& system)
        : A_(*system.A),
          L_(system.hasOffDiagonal() ? system.L : nullptr),
          n_(static_cast<long>(A_.cols)),
          m_(static_cast<long>(A_.rows)),
          solver_(kPivotThreshold) {
        const CscMatrix& A = A_;
        const long N = n_ + m_;
        jc_.reserve(static_cast<std::size_t>(N) + 1);
        jc_.push_back(0);
        for (long j = 0; j < n_; ++j) {  // diagonal, L's column, then the column of A
            ir_.push_back(j);
            if (L_ != nullptr) {
                for (std::size_t k = L_->colStart[j]; k < L_->colStart[j + 1]; ++k)
                    ir_.push_back(static_cast<long>(L_->rowIndex[k]));
            }
            for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
                ir_.push_back(n_ + static_cast<long>(A.rowIndex[k]));
            }
            jc_.push_back(static_cast<long>(ir_.size()));
        }
        for (long i = n_; i < N; ++i) {  // dual block: diagonal only
            ir_.push_back(i);
            jc_.push_back(static_cast<long>(ir_.size()));
        }
        pr_.assign(ir_.size(), 0.0);
        x_.assign(static_cast<std::size_t>(N), 0.0);
        b_.assign(static_cast<std::size_t>(N), 0.0);
    }

    KktReport factor(const KktValues& values) override {
        columnScaling(values, s_);
        std::size_t at = 0;
        for (long j = 0; j < n_; ++j) {
            pr_[at++] = -1.0;
            if (L_ != nullptr) {
                for (std::size_t k = L_->colStart[j]; k < L_->colStart[j + 1]; ++k)
                    pr_[at++] = -s_[L_->rowIndex[k]] * L_->value[k] * s_[j];
            }
            for (std::size_t k = A_.colStart[j]; k < A_.colStart[j + 1]; ++k)
                pr_[at++] = A_.value[k] * s_[j];
        }
        for (long i = 0; i < m_; ++i) pr_[at++] = values.dualReg;

        if (!initialized_) {
            solver_.init(n_ + m_, n_ + m_, pr_.data(), ir_.data(), jc_.data(),
                         static_cast<long>(pr_.size()));
            initialized_ = true;
        }
        solver_.factor();  // symbolic step the first time, numeric step every time

        KktReport report;
        report.factored = solver_.status == EqnSolverSparseLDL::STATUS_NUMERIC_DONE;
        if (!report.factored) return report;
        long rank = 0, negative = 0;
        solver_.rank(rank);
        solver_.numNegEigenValues(negative);
        report.rank = static_cast<std::size_t>(rank);
        report.negativePivots = static_cast<std::size_t>(negative);
        report.regularizedPivots = static_cast<std::size_t>(n_ + m_ - rank);  // null pivots
        report.inertiaOk = negative == n_;
        return report;
    }

    void solve(std::vector<double>& rhs) override { solveColumns(rhs, 1); }

    void solveColumns(std::vector<double>& rhs, std::size_t count) override {
        const std::size_t N = static_cast<std::size_t>(n_ + m_), n = static_cast<std::size_t>(n_);
        b_.resize(N * count);
        x_.resize(N * count);
        for (std::size_t at = 0; at < N * count; at += N) {
            for (std::size_t j = 0; j < n; ++j) b_[at + j] = s_[j] * rhs[at + j];
            for (std::size_t i = n; i < N; ++i) b_[at + i] = rhs[at + i];
        }
        solveSparseColumns(solver_, b_, x_, count);
        for (std::size_t at = 0; at < N * count; at += N) {
            for (std::size_t j = 0; j < n; ++j) rhs[at + j] = s_[j] * x_[at + j];
            for (std::size_t i = n; i < N; ++i) rhs[at + i] = x_[at + i];
        }
    }

    std::string name() const override { return "sparse"; }

private:
    const CscMatrix& A_;
    const CscMatrix* L_;  // null for an LP or a diagonal Hessian
    long n_, m_;
    std::vector<long> jc_, ir_;
    std::vector<double> pr_, s_;
    AlignedVector x_, b_;
    EqnSolverSparseLDL solver_;
    bool initialized_ = false;
};

}  // namespace

void solveSparseColumns(EqnSolverSparseLDL& solver, const AlignedVector& b, AlignedVector& x,
                        std::size_t count) {
    if (count == 1) return solver.solve(x, b);
    solver.factorObj->solve(b.data(), static_cast<long>(count), x.data(), true);
}

std::unique_ptr<KktSolver> makeSparseKkt(const KktSystem& system) {
    return std::make_unique<SparseLdlKkt>(system);
}

}  // namespace lpsolve
