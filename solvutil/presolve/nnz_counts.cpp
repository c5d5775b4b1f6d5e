// Stored-entry counts per column and per row of a sparse matrix.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "solvutil/presolve/presolve.hpp"

namespace presolve {

namespace {

/// Truncates toward zero into a 32-bit int; out-of-range values saturate, NaN gives 0.
std::int32_t selectorValue(double s) {
    using Limits = std::numeric_limits<std::int32_t>;
    if (std::isnan(s)) return 0;
    if (s >= static_cast<double>(Limits::max())) return Limits::max();
    if (s <= static_cast<double>(Limits::min())) return Limits::min();
    return static_cast<std::int32_t>(s);
}

kxarray::kxArrayPtr newColumn(std::size_t length) {
    return kxarray::do_create_numeric({length, 1}, kxDOUBLE_CLASS, kxREAL);
}

void countColumns(const std::size_t* starts, std::size_t n, double* count) {
    for (std::size_t j = 0; j < n; ++j) count[j] = static_cast<double>(starts[j + 1] - starts[j]);
}

void countRows(const std::size_t* rows, std::size_t nnz, double* count) {
    for (std::size_t k = 0; k < nnz; ++k) count[rows[k]] += 1.0;
}

}  // namespace

void getNNZcounts(int /*nOutputs*/, kxarray::kxArrayPtr* outputs, int nInputs,
                  kxArray const** inputs) {
    const kxArray* A = inputs[0];
    const std::size_t m = kxGetM(A);
    const std::size_t n = kxGetN(A);

    bool wantColumns = true;
    bool wantRows = true;
    double* columnCounts = nullptr;
    double* rowCounts = nullptr;
    if (nInputs > 1) {
        wantColumns = selectorValue(kxGetScalar(inputs[1])) == 2;
        wantRows = !wantColumns;
        outputs[0] = newColumn(wantColumns ? n : m);
        (wantColumns ? columnCounts : rowCounts) = kxRealData(outputs[0].get());
    } else {
        outputs[0] = newColumn(n);
        columnCounts = kxRealData(outputs[0].get());
        outputs[1] = newColumn(m);
        rowCounts = kxRealData(outputs[1].get());
    }

    if (m == 0) return;
    const std::size_t* starts = kxColumnStarts(A);
    const std::size_t nnz = starts[n];
    if (nnz == 0) return;
    if (wantColumns) countColumns(starts, n, columnCounts);
    if (wantRows) countRows(kxRowIndices(A), nnz, rowCounts);
}

}  // namespace presolve
