#pragma once
// LAPACK routines used only as oracles in tests (64-bit integers, as in the library).
#include "solvutil/kernels/blas.hpp"

extern "C" {
void dsysv_(const char* uplo, const blas_int* n, const blas_int* nrhs, double* a,
            const blas_int* lda, blas_int* ipiv, double* b, const blas_int* ldb, double* work,
            const blas_int* lwork, blas_int* info, std::size_t uplo_len = 1);
void dsyev_(const char* jobz, const char* uplo, const blas_int* n, double* a, const blas_int* lda,
            double* w, double* work, const blas_int* lwork, blas_int* info,
            std::size_t jobz_len = 1, std::size_t uplo_len = 1);
void dsytrf_(const char* uplo, const blas_int* n, double* a, const blas_int* lda, blas_int* ipiv,
             double* work, const blas_int* lwork, blas_int* info, std::size_t uplo_len = 1);
void dsytrs_(const char* uplo, const blas_int* n, const blas_int* nrhs, const double* a,
             const blas_int* lda, const blas_int* ipiv, double* b, const blas_int* ldb,
             blas_int* info, std::size_t uplo_len = 1);
void dpotrf_(const char* uplo, const blas_int* n, double* a, const blas_int* lda, blas_int* info,
             std::size_t uplo_len = 1);
void dgesvd_(const char* jobu, const char* jobvt, const blas_int* m, const blas_int* n, double* a,
             const blas_int* lda, double* s, double* u, const blas_int* ldu, double* vt,
             const blas_int* ldvt, double* work, const blas_int* lwork, blas_int* info,
             std::size_t jobu_len = 1, std::size_t jobvt_len = 1);
}
