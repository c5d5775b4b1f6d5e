#pragma once
// Prototypes of the BLAS/LAPACK routines the library calls, for a BLAS whose integer
// arguments are 64-bit (ILP64, Fortran calling convention: everything by reference).
// The trailing std::size_t parameters are the hidden lengths gfortran passes for
// character arguments; they default to 1 so calls read like the Fortran ones.
#include <cstddef>

using blas_int = long;
static_assert(sizeof(blas_int) == 8, "solvutil needs 64-bit BLAS integers");

extern "C" {
// Level 1
void daxpy_(const blas_int* n, const double* alpha, const double* x, const blas_int* incx,
            double* y, const blas_int* incy);
void dcopy_(const blas_int* n, const double* x, const blas_int* incx, double* y,
            const blas_int* incy);
double ddot_(const blas_int* n, const double* x, const blas_int* incx, const double* y,
             const blas_int* incy);
double dnrm2_(const blas_int* n, const double* x, const blas_int* incx);
void dscal_(const blas_int* n, const double* alpha, double* x, const blas_int* incx);
blas_int idamax_(const blas_int* n, const double* x, const blas_int* incx);

// Level 2
void dgemv_(const char* trans, const blas_int* m, const blas_int* n, const double* alpha,
            const double* a, const blas_int* lda, const double* x, const blas_int* incx,
            const double* beta, double* y, const blas_int* incy, std::size_t trans_len = 1);
void dsymv_(const char* uplo, const blas_int* n, const double* alpha, const double* a,
            const blas_int* lda, const double* x, const blas_int* incx, const double* beta,
            double* y, const blas_int* incy, std::size_t uplo_len = 1);
void dsyr_(const char* uplo, const blas_int* n, const double* alpha, const double* x,
           const blas_int* incx, double* a, const blas_int* lda, std::size_t uplo_len = 1);
void dtrsv_(const char* uplo, const char* trans, const char* diag, const blas_int* n,
            const double* a, const blas_int* lda, double* x, const blas_int* incx,
            std::size_t uplo_len = 1, std::size_t trans_len = 1, std::size_t diag_len = 1);

// Level 3
void dgemm_(const char* transa, const char* transb, const blas_int* m, const blas_int* n,
            const blas_int* k, const double* alpha, const double* a, const blas_int* lda,
            const double* b, const blas_int* ldb, const double* beta, double* c,
            const blas_int* ldc, std::size_t transa_len = 1, std::size_t transb_len = 1);
void dsyrk_(const char* uplo, const char* trans, const blas_int* n, const blas_int* k,
            const double* alpha, const double* a, const blas_int* lda, const double* beta,
            double* c, const blas_int* ldc, std::size_t uplo_len = 1, std::size_t trans_len = 1);

// LAPACK auxiliaries
void dlacpy_(const char* uplo, const blas_int* m, const blas_int* n, const double* a,
             const blas_int* lda, double* b, const blas_int* ldb, std::size_t uplo_len = 1);
double dlange_(const char* norm, const blas_int* m, const blas_int* n, const double* a,
               const blas_int* lda, double* work, std::size_t norm_len = 1);
double dlansy_(const char* norm, const char* uplo, const blas_int* n, const double* a,
               const blas_int* lda, double* work, std::size_t norm_len = 1,
               std::size_t uplo_len = 1);
}
