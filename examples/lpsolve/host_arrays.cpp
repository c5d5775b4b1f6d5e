#include "examples/lpsolve/host_arrays.hpp"

#include <algorithm>

#include "kaldor/testing/services.hpp"

namespace lpsolve {

kxarray::kxArrayPtr toHostSparse(const CscMatrix& A) {
    // The stand-in host creates sparse arrays through its helper; a real host has its own
    // creation call with the same layout (size_t row indices and column starts).
    kxarray::kxArrayPtr a(
        kaldor::testing::createSparseArray(A.rows, A.cols, std::max<std::size_t>(A.nnz(), 1)));
    std::copy(A.colStart.begin(), A.colStart.end(), kxColumnStarts(a.get()));
    std::copy(A.rowIndex.begin(), A.rowIndex.end(), kxRowIndices(a.get()));
    std::copy(A.value.begin(), A.value.end(), kxRealData(a.get()));
    return a;
}

kxarray::kxArrayPtr toHostColumn(const std::vector<double>& v) {
    kxarray::kxArrayPtr a = kxarray::do_create_numeric({v.size(), 1}, kxDOUBLE_CLASS, kxREAL);
    std::copy(v.begin(), v.end(), kxRealData(a.get()));
    return a;
}

std::vector<double> fromHost(const kxArray* a) {
    const double* data = kxRealData(a);
    return std::vector<double>(data, data + kxGetM(a) * kxGetN(a));
}

}  // namespace lpsolve
