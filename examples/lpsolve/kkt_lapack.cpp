// Dense back end on LAPACK's Bunch-Kaufman LDL' (dsytrf/dsytrs).
#include <cmath>
#include <string>

#include "examples/lpsolve/kkt_backends.hpp"
#include "solvutil/kernels/blas.hpp"

extern "C" {
void dsytrf_(const char* uplo, const blas_int* n, double* a, const blas_int* lda,
             blas_int* ipiv, double* work, const blas_int* lwork, blas_int* info,
             std::size_t uplo_len = 1);
void dsytrs_(const char* uplo, const blas_int* n, const blas_int* nrhs, const double* a,
             const blas_int* lda, const blas_int* ipiv, double* b, const blas_int* ldb,
             blas_int* info, std::size_t uplo_len = 1);
}

namespace lpsolve {
namespace {

class LapackKkt final : public KktSolver {
public:
    explicit LapackKkt(const CscMatrix& A) : A_(A), order_(A.rows + A.cols) {}

    KktReport factor(const std::vector<double>& d, double dualReg) override {
        const std::size_t n = A_.cols, N = order_;
        K_.assign(N * N, 0.0);
        for (std::size_t j = 0; j < n; ++j) {
            K_[j + j * N] = -d[j];
            for (std::size_t k = A_.colStart[j]; k < A_.colStart[j + 1]; ++k) {
                K_[(n + A_.rowIndex[k]) + j * N] += A_.value[k];
            }
        }
        for (std::size_t i = n; i < N; ++i) K_[i + i * N] = dualReg;
        ipiv_.assign(N, 0);
        const blas_int bn = static_cast<blas_int>(N);
        blas_int info = 0, lwork = -1;
        double query = 0.0;
        dsytrf_("L", &bn, K_.data(), &bn, ipiv_.data(), &query, &lwork, &info);
        lwork = static_cast<blas_int>(query);
        std::vector<double> work(static_cast<std::size_t>(std::max<blas_int>(lwork, 1)));
        dsytrf_("L", &bn, K_.data(), &bn, ipiv_.data(), work.data(), &lwork, &info);
        KktReport report;
        report.factored = info >= 0;
        report.rank = N;
        // Inertia from the block-diagonal factor: a 2x2 block has one pivot of each sign.
        for (std::size_t i = 0; i < N; ++i) {
            if (ipiv_[i] < 0) {
                ++report.negativePivots;
                ++i;
                continue;
            }
            const double p = K_[i + i * N];
            if (p < 0.0) ++report.negativePivots;
            if (p == 0.0) --report.rank;
        }
        report.inertiaOk = report.rank == N && report.negativePivots == n;
        return report;
    }

    void solve(std::vector<double>& rhs) override {
        const blas_int bn = static_cast<blas_int>(order_), one = 1;
        blas_int info = 0;
        dsytrs_("L", &bn, &one, K_.data(), &bn, ipiv_.data(), rhs.data(), &bn, &info);
    }

    std::string name() const override { return "dense (LAPACK)"; }

private:
    const CscMatrix& A_;
    std::size_t order_;
    std::vector<double> K_;
    std::vector<blas_int> ipiv_;
};

}  // namespace

std::unique_ptr<KktSolver> makeLapackKkt(const CscMatrix& A) {
    return std::make_unique<LapackKkt>(A);
}

}  // namespace lpsolve
