// Normal-equations back end: the dual rows of the KKT system are eliminated,
//
//   dx = S^2 (A' dy - f),    (A S^2 A' + delta I) dy = g + A S^2 f,    S = (D + rho)^(-1/2),
//
// and the m-by-m positive definite matrix M = (A S)(A S)' + delta I is factored by
// EqnSolverSparseLDL. Its pattern (the pairs of rows that share a column of A) is found
// once; each factorization adds, for every column j, the products of its entries times
// S_j^2 into positions recorded for that column.
//
// A column with k entries adds k^2 / 2 entries to M, so one dense column would make M
// dense. Dense columns (see denseColumns()) are therefore not eliminated: they stay as a
// border, in the scaled form of the augmented system,
//
//   [ A_s S_s^2 A_s' + delta I   A_d S_d ] [dy]   [g + A_s S_s^2 f_s]
//   [ S_d A_d'                   -I      ] [z ] = [S_d f_d          ],   dx_d = S_d z,
//
// a quasi-definite matrix (m positive and k negative pivots) that the same sparse LDL'
// factors; the ordering puts the k border rows last, so they add about m k entries to the
// factor instead of m^2. NewtonSystem refines every solution against the original system,
// which also removes the bias of the regularization.
#include <algorithm>

#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/kkt_scaling.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace lpsolve {

std::vector<std::size_t> denseColumns(const CscMatrix& A) {
    std::vector<std::size_t> counts(A.cols), dense;
    for (std::size_t j = 0; j < A.cols; ++j) counts[j] = A.colStart[j + 1] - A.colStart[j];
    if (counts.empty()) return dense;
    std::nth_element(counts.begin(), counts.begin() + static_cast<long>(counts.size() / 2),
                     counts.end());
    const std::size_t median = counts[counts.size() / 2];
    std::size_t root = 1;
    while ((root + 1) * (root + 1) <= A.rows) ++root;
    const std::size_t limit = std::max({kDenseColumnFactor * median, root, kMinDenseColumn});
    for (std::size_t j = 0; j < A.cols; ++j) {
        if (A.colStart[j + 1] - A.colStart[j] > limit) dense.push_back(j);
    }
    return dense;
}

namespace {

// No numerical pivoting: the matrix is quasi-definite (positive definite without border).
constexpr double kPivotThreshold = 0.0;

class NormalEquationsKkt final : public KktSolver {
public:
    explicit NormalEquationsKkt(const KktSystem& system)
        : A_(*system.A), n_(A_.cols), m_(A_.rows), solver_(kPivotThreshold) {
        const std::vector<std::size_t> dense = denseColumns(A_);
        border_.assign(n_, kNoBorder);
        for (std::size_t t = 0; t < dense.size(); ++t) border_[dense[t]] = m_ + t;
        k_ = dense.size();
        const std::size_t N = m_ + k_;
        x_.assign(N, 0.0);
        b_.assign(N, 0.0);
        // Each entry of the factored lower triangle as (column, row, slot): the row pairs
        // p >= q of every eliminated column, the entries of every border column, then the
        // diagonal. Sorted, equal positions merge into one entry.
        struct Pair {
            std::size_t col, row, slot;
        };
        std::vector<Pair> pairs;
        std::size_t slots = 0;
        for (std::size_t j = 0; j < n_; ++j) {
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p) {
                const std::size_t r = A_.rowIndex[p];
                if (border_[j] != kNoBorder) {
                    pairs.push_back({r, border_[j], slots++});
                    continue;
                }
                for (std::size_t q = A_.colStart[j]; q <= p; ++q) {
                    const std::size_t c = A_.rowIndex[q];
                    pairs.push_back({std::min(r, c), std::max(r, c), slots++});
                }
            }
        }
        for (std::size_t i = 0; i < N; ++i) pairs.push_back({i, i, slots + i});
        std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
            return a.col != b.col ? a.col < b.col : a.row < b.row;
        });
        slot_.resize(slots + N);
        jc_.assign(N + 1, 0);
        for (std::size_t e = 0; e < pairs.size(); ++e) {
            if (e == 0 || pairs[e].col != pairs[e - 1].col || pairs[e].row != pairs[e - 1].row) {
                ir_.push_back(static_cast<long>(pairs[e].row));
                ++jc_[pairs[e].col + 1];
            }
            slot_[pairs[e].slot] = ir_.size() - 1;
        }
        for (std::size_t i = 0; i < N; ++i) jc_[i + 1] += jc_[i];
        pr_.assign(ir_.size(), 0.0);
    }

    KktReport factor(const KktValues& values) override {
        columnScaling(values, s_);
        std::fill(pr_.begin(), pr_.end(), 0.0);
        std::size_t slot = 0;
        for (std::size_t j = 0; j < n_; ++j) {
            const bool inBorder = border_[j] != kNoBorder;
            const double theta = inBorder ? s_[j] : s_[j] * s_[j];
            for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p) {
                const double ap = A_.value[p] * theta;
                if (inBorder) {
                    pr_[slot_[slot++]] += ap;
                    continue;
                }
                for (std::size_t q = A_.colStart[j]; q <= p; ++q) {
                    pr_[slot_[slot++]] += ap * A_.value[q];
                }
            }
        }
        for (std::size_t i = 0; i < m_; ++i) {
            double& diagonal = pr_[slot_[slot + i]];
            diagonal += values.dualReg + values.relativeDualReg * diagonal;
        }
        for (std::size_t t = 0; t < k_; ++t) pr_[slot_[slot + m_ + t]] = -1.0;

        const long N = static_cast<long>(m_ + k_);
        if (!initialized_) {
            solver_.init(N, N, pr_.data(), ir_.data(), jc_.data(), static_cast<long>(pr_.size()));
            initialized_ = true;
        }
        solver_.factor();

        KktReport report;
        report.factored = solver_.status == EqnSolverSparseLDL::STATUS_NUMERIC_DONE;
        if (!report.factored) return report;
        long rank = 0, negative = 0, entries = 0;
        solver_.rank(rank);
        solver_.numNegEigenValues(negative);
        solver_.getNnzL(entries);
        // The eliminated block -(D + rho) contributes n - k negative pivots of full rank.
        const std::size_t eliminated = n_ - k_;
        report.rank = eliminated + static_cast<std::size_t>(rank);
        report.negativePivots = eliminated + static_cast<std::size_t>(negative);
        report.regularizedPivots = m_ + k_ - static_cast<std::size_t>(rank);
        report.inertiaOk = static_cast<std::size_t>(negative) == k_;
        report.factorEntries = static_cast<std::size_t>(entries);
        return report;
    }

    void solve(std::vector<double>& rhs) override { solveColumns(rhs, 1); }

    void solveColumns(std::vector<double>& rhs, std::size_t count) override {
        // b = [g + A_s S_s^2 f_s; S_d f_d]; solve; dx_s = S_s^2 (A_s' dy - f_s), dx_d = S_d z.
        const std::size_t N = m_ + k_;
        b_.resize(N * count);
        x_.resize(N * count);
        for (std::size_t k = 0; k < count; ++k) {
            const double* f = rhs.data() + k * (n_ + m_);
            double* b = b_.data() + k * N;
            for (std::size_t i = 0; i < m_; ++i) b[i] = f[n_ + i];
            for (std::size_t j = 0; j < n_; ++j) {
                if (border_[j] != kNoBorder) {
                    b[border_[j]] = s_[j] * f[j];
                    continue;
                }
                const double t = s_[j] * s_[j] * f[j];
                for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p)
                    b[A_.rowIndex[p]] += A_.value[p] * t;
            }
        }
        solveSparseColumns(solver_, b_, x_, count);
        for (std::size_t k = 0; k < count; ++k) {
            double* out = rhs.data() + k * (n_ + m_);
            const double* x = x_.data() + k * N;
            for (std::size_t j = 0; j < n_; ++j) {
                if (border_[j] != kNoBorder) {
                    out[j] = s_[j] * x[border_[j]];
                    continue;
                }
                double aty = 0.0;
                for (std::size_t p = A_.colStart[j]; p < A_.colStart[j + 1]; ++p)
                    aty += A_.value[p] * x[A_.rowIndex[p]];
                out[j] = s_[j] * s_[j] * (aty - out[j]);
            }
            for (std::size_t i = 0; i < m_; ++i) out[n_ + i] = x[i];
        }
    }

    std::string name() const override { return "normal equations"; }

private:
    static constexpr std::size_t kNoBorder = static_cast<std::size_t>(-1);

    const CscMatrix& A_;
    std::size_t n_, m_, k_ = 0;
    std::vector<std::size_t> border_;  ///< per column: its row in the border, or kNoBorder
    std::vector<long> jc_, ir_;
    std::vector<std::size_t> slot_;  ///< position in pr_ of each product or entry, then diagonal
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
