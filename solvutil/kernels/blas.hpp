#pragma once
// The BLAS/LAPACK routines the library calls (internal to libsolvutil), for a BLAS whose
// integer arguments are 64-bit (ILP64, Fortran calling convention: everything by
// reference): their raw prototypes, then typed wrappers in solvutil::blas.
//
// Library code calls the wrappers only. They take every argument by value and pass it
// through unchanged, so each BLAS call receives exactly the values written at the call
// site; the unit increments and the option letters live here and nowhere else.
//
// The trailing std::size_t parameters of the prototypes are the hidden lengths gfortran
// passes for character arguments; they default to 1 so calls read like the Fortran ones.
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

namespace solvutil::blas {

/// Transposition letter of gemv, gemm, syrk and trsv.
enum class Trans : char { No = 'N', Yes = 'T' };
/// Triangle letter. For lacpy every letter other than L and U copies the whole matrix:
/// All ('A') and General ('G') are both kept because each caller's documented call
/// passes its own letter.
enum class Part : char { Lower = 'L', Upper = 'U', All = 'A', General = 'G' };
/// Diagonal letter of trsv.
enum class Diag : char { Unit = 'U', NonUnit = 'N' };
/// Norm letter of lange and lansy.
enum class Norm : char { Inf = 'I' };

inline Trans transIf(bool transposed) {
    return transposed ? Trans::Yes : Trans::No;
}
inline Part upperIf(bool upper) {
    return upper ? Part::Upper : Part::Lower;
}

/// Leading dimension of an m-row operand: BLAS rejects 0 even when the matrix is empty.
inline blas_int ld(blas_int m) {
    return m > 1 ? m : 1;
}

// Level 1. Overloads without increments use unit strides.
inline void axpy(blas_int n, double alpha, const double* x, double* y) {
    const blas_int one = 1;
    daxpy_(&n, &alpha, x, &one, y, &one);
}
inline void copy(blas_int n, const double* x, blas_int incx, double* y, blas_int incy) {
    dcopy_(&n, x, &incx, y, &incy);
}
inline void copy(blas_int n, const double* x, double* y) {
    copy(n, x, 1, y, 1);
}
/// y[0], y[incy], ... <- value: dcopy from the single `value` with source increment 0.
inline void fill(blas_int n, double value, double* y, blas_int incy) {
    copy(n, &value, 0, y, incy);
}
inline double dot(blas_int n, const double* x, const double* y) {
    const blas_int one = 1;
    return ddot_(&n, x, &one, y, &one);
}
inline double nrm2(blas_int n, const double* x) {
    const blas_int one = 1;
    return dnrm2_(&n, x, &one);
}
inline void scal(blas_int n, double alpha, double* x) {
    const blas_int one = 1;
    dscal_(&n, &alpha, x, &one);
}
/// 1-based index of the entry of largest magnitude among x[0], x[incx], ...
inline blas_int iamax(blas_int n, const double* x, blas_int incx = 1) {
    return idamax_(&n, x, &incx);
}

// Level 2.
inline void gemv(Trans t, blas_int m, blas_int n, double alpha, const double* a, blas_int lda,
                 const double* x, blas_int incx, double beta, double* y) {
    const char tc = static_cast<char>(t);
    const blas_int one = 1;
    dgemv_(&tc, &m, &n, &alpha, a, &lda, x, &incx, &beta, y, &one);
}
inline void gemv(Trans t, blas_int m, blas_int n, double alpha, const double* a, blas_int lda,
                 const double* x, double beta, double* y) {
    gemv(t, m, n, alpha, a, lda, x, 1, beta, y);
}
inline void symv(Part uplo, blas_int n, double alpha, const double* a, blas_int lda,
                 const double* x, double beta, double* y) {
    const char uc = static_cast<char>(uplo);
    const blas_int one = 1;
    dsymv_(&uc, &n, &alpha, a, &lda, x, &one, &beta, y, &one);
}
inline void syr(Part uplo, blas_int n, double alpha, const double* x, double* a, blas_int lda) {
    const char uc = static_cast<char>(uplo);
    const blas_int one = 1;
    dsyr_(&uc, &n, &alpha, x, &one, a, &lda);
}
inline void trsv(Part uplo, Trans t, Diag diag, blas_int n, const double* a, blas_int lda,
                 double* x) {
    const char uc = static_cast<char>(uplo);
    const char tc = static_cast<char>(t);
    const char dc = static_cast<char>(diag);
    const blas_int one = 1;
    dtrsv_(&uc, &tc, &dc, &n, a, &lda, x, &one);
}

// Level 3.
inline void gemm(Trans ta, Trans tb, blas_int m, blas_int n, blas_int k, double alpha,
                 const double* a, blas_int lda, const double* b, blas_int ldb, double beta,
                 double* c, blas_int ldc) {
    const char tac = static_cast<char>(ta);
    const char tbc = static_cast<char>(tb);
    dgemm_(&tac, &tbc, &m, &n, &k, &alpha, a, &lda, b, &ldb, &beta, c, &ldc);
}
inline void syrk(Part uplo, Trans t, blas_int n, blas_int k, double alpha, const double* a,
                 blas_int lda, double beta, double* c, blas_int ldc) {
    const char uc = static_cast<char>(uplo);
    const char tc = static_cast<char>(t);
    dsyrk_(&uc, &tc, &n, &k, &alpha, a, &lda, &beta, c, &ldc);
}

// LAPACK auxiliaries.
inline void lacpy(Part part, blas_int m, blas_int n, const double* a, blas_int lda, double* b,
                  blas_int ldb) {
    const char pc = static_cast<char>(part);
    dlacpy_(&pc, &m, &n, a, &lda, b, &ldb);
}
/// `work` needs m entries for the infinity norm.
inline double lange(Norm norm, blas_int m, blas_int n, const double* a, blas_int lda,
                    double* work) {
    const char nc = static_cast<char>(norm);
    return dlange_(&nc, &m, &n, a, &lda, work);
}
/// `work` needs n entries for the infinity norm.
inline double lansy(Norm norm, Part uplo, blas_int n, const double* a, blas_int lda, double* work) {
    const char nc = static_cast<char>(norm);
    const char uc = static_cast<char>(uplo);
    return dlansy_(&nc, &uc, &n, a, &lda, work);
}

}  // namespace solvutil::blas
