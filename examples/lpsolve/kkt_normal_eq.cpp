// Normal-equations back end: the dual rows of the KKT system are eliminated,
//
//   dx = S^2 (A' dy - f),    (A S^2 A' + delta I) dy = g + A S^2 f,    S = (D + rho)^(-1/2),
//
// and the m-by-m positive definite matrix M = (A S)(A S)' + delta I is factored by
// EqnSolverSparseLDL. Its pattern (the pairs of rows that share a column of A) is found
// once; each factorization adds, for every column j, the products of its entries times
// S_j^2 into positions recorded for that column. The work per factorization is the sum of
// the squared column counts, so a column with many entries makes M dense; dense columns
// get no special treatment yet: the automatic choice (kkt_solver.cpp) avoids this form then.
#include <algorithm>

#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/kkt_scaling.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace lpsolve {
namespace {

// No numerical pivoting: the matrix is positive definite.
constexpr double kPivotThreshold = 0.0;

class NormalEquationsKkt final : public KktSolver {
public:
    explicit NormalEquationsKkt(const KktSystem& system)
        : A_(*system.A), n_(A_.cols), m_(A_.rows), solver_(kPivotThreshold), x_(m_), b_(m_) {
        // Every (row p, row q) pair with p >= q of each column, plus the diagonal, as
        // (column q, row p, slot); sorted, equal positions merge into one entry of M.
        struct Pair {
            std::size_t col, row, slot;
        };
        std::vector<Pair> pairs;
        std::size_t slots = 0;
        for (std::size_t j = 0; j < n_; ++j) {
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p) {
                for (std::size_t q = A_.colStart[j]; q <= p; ++q) {
                    const std::size_t r = A_.rowIndex[p], c = A_.rowIndex[q];
                    pairs.push_back({std::min(r, c), std::max(r, c), slots++});
                }
            }
        }
        for (std::size_t i = 0; i < m_; ++i) pairs.push_back({i, i, slots + i});
        std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
            return a.col != b.col ? a.col < b.col : a.row < b.row;
        });
        slot_.resize(slots + m_);
        jc_.assign(m_ + 1, 0);
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            if (k == 0 || pairs[k].col != pairs[k - 1].col || pairs[k].row != pairs[k - 1].row) {
                ir_.push_back(static_cast<long>(pairs[k].row));
                ++jc_[pairs[k].col + 1];
            }
            slot_[pairs[k].slot] = ir_.size() - 1;
        }
        for (std::size_t i = 0; i < m_; ++i) jc_[i + 1] += jc_[i];
        pr_.assign(ir_.size(), 0.0);
    }

    KktReport factor(const KktValues& values) override {
        columnScaling(values, s_);
        std::fill(pr_.begin(), pr_.end(), 0.0);
        std::size_t slot = 0;
        for (std::size_t j = 0; j < n_; ++j) {
            const double theta = s_[j] * s_[j];
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p) {
                const double ap = A_.value[p] * theta;
                for (std::size_t q = A_.colStart[j]; q <= p; ++q) {
                    pr_[slot_[slot++]] += ap * A_.value[q];
                }
            }
        }
        for (std::size_t i = 0; i < m_; ++i) pr_[slot_[slot + i]] += values.dualReg;

        const long m = static_cast<long>(m_);
        if (!initialized_) {
            solver_.init(m, m, pr_.data(), ir_.data(), jc_.data(), static_cast<long>(pr_.size()));
            initialized_ = true;
        }
        solver_.factor();

        KktReport report;
        report.factored = solver_.status == EqnSolverSparseLDL::STATUS_NUMERIC_DONE;
        if (!report.factored) return report;
        long rank = 0, negative = 0;
        solver_.rank(rank);
        solver_.numNegEigenValues(negative);
        // The eliminated block -(D + rho) contributes n negative pivots of full rank.
        report.rank = n_ + static_cast<std::size_t>(rank);
        report.negativePivots = n_ + static_cast<std::size_t>(negative);
        report.regularizedPivots = m_ - static_cast<std::size_t>(rank);
        report.inertiaOk = negative == 0;
        return report;
    }

    void solve(std::vector<double>& rhs) override {
        // b = g + A S^2 f; M dy = b; dx = S^2 (A' dy - f).
        for (std::size_t i = 0; i < m_; ++i) b_[i] = rhs[n_ + i];
        for (std::size_t j = 0; j < n_; ++j) {
            const double t = s_[j] * s_[j] * rhs[j];
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p)
                b_[A_.rowIndex[p]] += A_.value[p] * t;
        }
        solver_.solve(x_, b_);
        for (std::size_t j = 0; j < n_; ++j) {
            double aty = 0.0;
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p)
                aty += A_.value[p] * x_[A_.rowIndex[p]];
            rhs[j] = s_[j] * s_[j] * (aty - rhs[j]);
        }
        for (std::size_t i = 0; i < m_; ++i) rhs[n_ + i] = x_[i];
    }

    std::string name() const override { return "normal equations"; }

private:
    const CscMatrix& A_;
    std::size_t n_, m_;
    std::vector<long> jc_, ir_;
    std::vector<std::size_t> slot_;  ///< position in pr_ of each column pair, then diagonal
    std::vector<double> pr_, s_;
    EqnSolverSparseLDL solver_;
    AlignedVector x_, b_;
    bool initialized_ = false;
};

}  // namespace

std::unique_ptr<KktSolver> makeNormalKkt(const KktSystem& system) {
    return std::make_unique<NormalEquationsKkt>(system);
}

}  // namespace lpsolve
