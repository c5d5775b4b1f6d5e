// Host array API of the stand-in: dense and compressed-column sparse double arrays.
#include <atomic>
#include <cmath>
#include <limits>

#include "kaldor/array_impl.hpp"
#include "kaldor/testing/services.hpp"

namespace {
std::atomic<std::size_t> g_liveArrays{0};
std::atomic<std::size_t> g_createdArrays{0};
}  // namespace

namespace kaldor::detail {
kxArray* newArray() {
    auto* a = new kxArray;
    g_liveArrays.fetch_add(1);
    g_createdArrays.fetch_add(1);
    return a;
}
}  // namespace kaldor::detail

kxArray* kxCreateNumericMatrix(std::size_t m, std::size_t n, kxClassID, kxComplexity) {
    kxArray* a = kaldor::detail::newArray();
    a->m = m;
    a->n = n;
    a->values.assign(m * n, 0.0);
    return a;
}

std::size_t kxGetM(const kxArray* a) { return a->m; }
std::size_t kxGetN(const kxArray* a) { return a->n; }
double* kxRealData(const kxArray* a) { return const_cast<double*>(a->values.data()); }
std::size_t* kxRowIndices(const kxArray* a) {
    return const_cast<std::size_t*>(a->rowIndices.data());
}
std::size_t* kxColumnStarts(const kxArray* a) {
    return const_cast<std::size_t*>(a->colStarts.data());
}
bool kxIsSparse(const kxArray* a) { return a->sparse; }
std::size_t kxGetNzmax(const kxArray* a) { return a->values.size(); }
void kxSetM(kxArray* a, std::size_t m) { a->m = m; }
void kxSetN(kxArray* a, std::size_t n) { a->n = n; }
bool kxIsEmpty(const kxArray* a) { return a->m == 0 || a->n == 0; }

double kxGetScalar(const kxArray* a) {
    if (kxIsEmpty(a)) return std::numeric_limits<double>::quiet_NaN();
    if (!a->sparse) return a->values[0];
    for (std::size_t k = a->colStarts[0]; k < a->colStarts[1]; ++k) {
        if (a->rowIndices[k] == 0) return a->values[k];
    }
    return 0.0;
}

kxArray* kxDuplicateArray(const kxArray* a) {
    kxArray* copy = kaldor::detail::newArray();
    *copy = *a;
    return copy;
}

void kxSetArrayScope(kxArray* a, kxVariableScope scope) { a->scope = scope; }

namespace kxarray {

void destroyArray(kxArray* a) noexcept {
    if (a == nullptr) return;
    delete a;
    g_liveArrays.fetch_sub(1);
}

void kxDestroy_deleter::operator()(kxArray* a) const noexcept { destroyArray(a); }

kxArrayPtr do_create_numeric(const std::vector<std::size_t>& dims, kxClassID classID,
                             kxComplexity complexity) {
    const std::size_t m = dims.size() > 0 ? dims[0] : 0;
    const std::size_t n = dims.size() > 1 ? dims[1] : 1;
    return kxArrayPtr(kxCreateNumericMatrix(m, n, classID, complexity));
}

}  // namespace kxarray

namespace kaldor::testing {

ArrayStats arrayStats() { return {g_liveArrays.load(), g_createdArrays.load()}; }

kxArray* createSparseArray(std::size_t m, std::size_t n, std::size_t nzmax) {
    kxArray* a = kaldor::detail::newArray();
    a->m = m;
    a->n = n;
    a->sparse = true;
    a->values.assign(nzmax, 0.0);
    a->rowIndices.assign(nzmax, 0);
    a->colStarts.assign(n + 1, 0);
    return a;
}

}  // namespace kaldor::testing
