// Host array API of the stand-in: dense and compressed-column sparse double arrays.
// Creation checks its size arithmetic, treats each storage vector as one allocation
// point of the failure injection, and raises "KALDOR:outOfMemory" when the storage
// cannot be had; a failed creation leaves nothing behind. An array is counted as live
// only once it is complete.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "kaldor/array_impl.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/host/kxerror.hpp"

namespace {
std::atomic<std::size_t> g_liveArrays{0};
std::atomic<std::size_t> g_createdArrays{0};

using ArrayPtr = std::unique_ptr<kxArray>;

[[noreturn]] void outOfMemory(const char* what, std::size_t count, std::size_t elementSize) {
    kxErrMsgIdAndTxt("KALDOR:outOfMemory",
                     "Out of memory: could not allocate %s of %zu elements of %zu bytes.", what,
                     count, elementSize);
    std::abort();  // not reached: the host error does not return
}

/// a·b, or the out-of-memory error when it does not fit in size_t.
std::size_t checkedProduct(std::size_t a, std::size_t b, const char* what) {
    std::size_t r = 0;
    if (__builtin_mul_overflow(a, b, &r)) outOfMemory(what, a, b * sizeof(double));
    return r;
}

/// v ← `count` copies of `fill`: one allocation point of the failure injection.
template <typename T>
void allocate(std::vector<T>& v, std::size_t count, const T& fill, const char* what) {
    if (count > v.max_size() || kaldor::detail::allocationFails())
        outOfMemory(what, count, sizeof(T));
    try {
        v.assign(count, fill);
    } catch (const std::bad_alloc&) {
        outOfMemory(what, count, sizeof(T));
    } catch (const std::length_error&) {
        outOfMemory(what, count, sizeof(T));
    }
}

/// Hands a complete array to the caller and counts it.
kxArray* publish(ArrayPtr a) {
    g_liveArrays.fetch_add(1);
    g_createdArrays.fetch_add(1);
    return a.release();
}

}  // namespace

kxArray* kxCreateNumericMatrix(std::size_t m, std::size_t n, kxClassID, kxComplexity) {
    auto a = std::make_unique<kxArray>();
    a->m = m;
    a->n = n;
    allocate(a->values, checkedProduct(m, n, "a dense array"), 0.0, "a dense array");
    return publish(std::move(a));
}

std::size_t kxGetM(const kxArray* a) {
    return a->m;
}
std::size_t kxGetN(const kxArray* a) {
    return a->n;
}
double* kxRealData(const kxArray* a) {
    return const_cast<double*>(a->values.data());
}
std::size_t* kxRowIndices(const kxArray* a) {
    return const_cast<std::size_t*>(a->rowIndices.data());
}
std::size_t* kxColumnStarts(const kxArray* a) {
    return const_cast<std::size_t*>(a->colStarts.data());
}
bool kxIsSparse(const kxArray* a) {
    return a->sparse;
}
std::size_t kxGetNzmax(const kxArray* a) {
    return a->values.size();
}
void kxSetM(kxArray* a, std::size_t m) {
    a->m = m;
}
void kxSetN(kxArray* a, std::size_t n) {
    a->n = n;
}
bool kxIsEmpty(const kxArray* a) {
    return a->m == 0 || a->n == 0;
}

double kxGetScalar(const kxArray* a) {
    if (kxIsEmpty(a)) return std::numeric_limits<double>::quiet_NaN();
    if (!a->sparse) return a->values[0];
    for (std::size_t k = a->colStarts[0]; k < a->colStarts[1]; ++k) {
        if (a->rowIndices[k] == 0) return a->values[k];
    }
    return 0.0;
}

kxArray* kxDuplicateArray(const kxArray* a) {
    auto copy = std::make_unique<kxArray>();
    copy->m = a->m;
    copy->n = a->n;
    copy->sparse = a->sparse;
    copy->scope = a->scope;
    allocate(copy->values, a->values.size(), 0.0, "array values");
    std::copy(a->values.begin(), a->values.end(), copy->values.begin());
    if (a->sparse) {
        allocate(copy->rowIndices, a->rowIndices.size(), std::size_t{0}, "row indices");
        std::copy(a->rowIndices.begin(), a->rowIndices.end(), copy->rowIndices.begin());
        allocate(copy->colStarts, a->colStarts.size(), std::size_t{0}, "column starts");
        std::copy(a->colStarts.begin(), a->colStarts.end(), copy->colStarts.begin());
    }
    return publish(std::move(copy));
}

void kxSetArrayScope(kxArray* a, kxVariableScope scope) {
    a->scope = scope;
}

namespace kxarray {

void destroyArray(kxArray* a) noexcept {
    if (a == nullptr) return;
    delete a;
    g_liveArrays.fetch_sub(1);
}

void kxDestroy_deleter::operator()(kxArray* a) const noexcept {
    destroyArray(a);
}

kxArrayPtr do_create_numeric(const std::vector<std::size_t>& dims, kxClassID classID,
                             kxComplexity complexity) {
    const std::size_t m = dims.size() > 0 ? dims[0] : 0;
    const std::size_t n = dims.size() > 1 ? dims[1] : 1;
    return kxArrayPtr(kxCreateNumericMatrix(m, n, classID, complexity));
}

}  // namespace kxarray

namespace kaldor::testing {

ArrayStats arrayStats() {
    return {g_liveArrays.load(), g_createdArrays.load()};
}

kxArray* createSparseArray(std::size_t m, std::size_t n, std::size_t nzmax) {
    auto a = std::make_unique<kxArray>();
    a->m = m;
    a->n = n;
    a->sparse = true;
    allocate(a->values, nzmax, 0.0, "sparse values");
    allocate(a->rowIndices, nzmax, std::size_t{0}, "row indices");
    if (n == std::numeric_limits<std::size_t>::max()) outOfMemory("column starts", n, sizeof n);
    allocate(a->colStarts, n + 1, std::size_t{0}, "column starts");
    return publish(std::move(a));
}

}  // namespace kaldor::testing
