// Host numerics of the stand-in: the array multiply and the element-wise difference.
//
// The dense product calls the 64-bit-integer BLAS: dgemm_, or dgemv_ when the right
// operand is a single column (OpenBLAS's dgemm is several times slower than its dgemv for
// a matrix-vector product, and products with a point are the common case). libkaldor also carries a
// private, statically linked 32-bit-integer BLAS for MUMPS whose dgemm_ has the same
// name, and a plain call from inside libkaldor would bind to that copy and misread our
// 64-bit integers. So the ILP64 routine is looked up at run time in libopenblas64.
#include <dlfcn.h>

#include <algorithm>
#include <cstddef>

#include "kaldor/array_impl.hpp"
#include "kaldor/testing/hostmath.hpp"
#include "solvutil/host/hostmath.hpp"
#include "solvutil/host/kxerror.hpp"

namespace {

using blas64_int = long;
static_assert(sizeof(blas64_int) == 8, "the ILP64 BLAS takes 64-bit integers");

using DgemmFn = void (*)(const char*, const char*, const blas64_int*, const blas64_int*,
                         const blas64_int*, const double*, const double*, const blas64_int*,
                         const double*, const blas64_int*, const double*, double*,
                         const blas64_int*, std::size_t, std::size_t);

constexpr const char* kBlas64Library = "libopenblas64.so.0";

using DgemvFn = void (*)(const char*, const blas64_int*, const blas64_int*, const double*,
                         const double*, const blas64_int*, const double*, const blas64_int*,
                         const double*, double*, const blas64_int*, std::size_t);

void* lookUpBlas64(const char* symbol) {
    // libsolvutil normally has the library loaded already; NOLOAD just finds it.
    void* handle = dlopen(kBlas64Library, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) handle = dlopen(kBlas64Library, RTLD_NOW);
    if (handle == nullptr) return nullptr;
    return dlsym(handle, symbol);
}

template <typename Fn>
Fn checked(Fn fn, const char* symbol) {
    if (fn == nullptr) {
        kxErrMsgIdAndTxt("KALDOR:hostMatrixMult:noBlas", "hostMatrixMult: %s not found in %s.",
                         symbol, kBlas64Library);
    }
    return fn;
}

DgemmFn dgemm64() {
    static const auto fn = reinterpret_cast<DgemmFn>(lookUpBlas64("dgemm_"));
    return checked(fn, "dgemm_");
}

DgemvFn dgemv64() {
    static const auto fn = reinterpret_cast<DgemvFn>(lookUpBlas64("dgemv_"));
    return checked(fn, "dgemv_");
}

void denseTimesDense(const kxArray* left, const kxArray* right, kxArray* result) {
    const blas64_int m = static_cast<blas64_int>(left->m);
    const blas64_int n = static_cast<blas64_int>(right->n);
    const blas64_int k = static_cast<blas64_int>(left->n);
    if (m == 0 || n == 0) return;
    if (k == 0) {  // an empty sum; BLAS may return early without touching the result
        std::fill(result->values.begin(), result->values.begin() + m * n, 0.0);
        return;
    }
    // Leading dimensions must be at least 1 even for empty operands.
    const blas64_int lda = std::max<blas64_int>(1, m);
    const blas64_int ldb = std::max<blas64_int>(1, k);
    const double one = 1.0;
    const double zero = 0.0;
    if (n == 1) {
        const blas64_int inc = 1;
        dgemv64()("N", &m, &k, &one, left->values.data(), &lda, right->values.data(), &inc, &zero,
                  result->values.data(), &inc, 1);
        return;
    }
    dgemm64()("N", "N", &m, &n, &k, &one, left->values.data(), &lda, right->values.data(), &ldb,
              &zero, result->values.data(), &lda, 1, 1);
}

// C(:, j) = sum over the stored entries (r, v) of column j of B of v * A(:, r).
void denseTimesSparse(const kxArray* left, const kxArray* right, kxArray* result) {
    const std::size_t m = left->m;
    double* c = result->values.data();
    std::fill(c, c + m * right->n, 0.0);
    const double* a = left->values.data();
    for (std::size_t j = 0; j < right->n; ++j) {
        double* cj = c + m * j;
        for (std::size_t p = right->colStarts[j]; p < right->colStarts[j + 1]; ++p) {
            const double v = right->values[p];
            const double* ar = a + m * right->rowIndices[p];
            for (std::size_t i = 0; i < m; ++i) cj[i] += v * ar[i];
        }
    }
}

}  // namespace

void hostMatrixMult(const kxArray* left, const kxArray* right, kxArray* result) {
    if (left->sparse || result->sparse || left->n != right->m || result->m != left->m ||
        result->n != right->n || result->values.size() < result->m * result->n) {
        kxErrMsgIdAndTxt("KALDOR:hostMatrixMult:invalidArguments",
                         "hostMatrixMult: operands of shape %zu-by-%zu and %zu-by-%zu cannot "
                         "be multiplied into a %zu-by-%zu array.",
                         left->m, left->n, right->m, right->n, result->m, result->n);
    }
    if (right->sparse) {
        denseTimesSparse(left, right, result);
    } else {
        denseTimesDense(left, right, result);
    }
}

namespace hostmath {

template <typename TOut, typename TA, typename TB>
void Minus(TOut* out, const TA* a, const TB* b, std::size_t incOut, std::size_t incA,
           std::size_t incB, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i * incOut] = a[i * incA] - b[i * incB];
}

template KALDOR_API void Minus<double, double, double>(double*, const double*, const double*,
                                                       std::size_t, std::size_t, std::size_t,
                                                       std::size_t);

}  // namespace hostmath

namespace kaldor::testing {

const void* hostMatrixMultRoutine(bool singleColumn) {
    return singleColumn ? reinterpret_cast<const void*>(dgemv64())
                        : reinterpret_cast<const void*>(dgemm64());
}

}  // namespace kaldor::testing
