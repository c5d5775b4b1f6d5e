#pragma once
// Random sparse host arrays for the presolve tests, each with a dense mirror that the
// tests recompute from: values include stored zeros, negative zeros and NaN; row indices
// are shuffled inside each column; chosen rows and columns are left empty.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxarray.hpp"

namespace presolve_test {

struct SparseCase {
    std::size_t m = 0;
    std::size_t n = 0;
    std::vector<double> dense;  // m*n column-major values of the stored entries
    std::vector<char> stored;   // m*n: 1 where an entry is stored
    kxarray::kxArrayPtr array;

    bool isStored(std::size_t i, std::size_t j) const { return stored[i + j * m] != 0; }
    double value(std::size_t i, std::size_t j) const { return dense[i + j * m]; }
    std::size_t nnz() const {
        return static_cast<std::size_t>(std::count(stored.begin(), stored.end(), 1));
    }
};

/// Value mix: mostly signed uniform, with stored zeros, negative zeros and NaN.
inline double randomEntry(std::mt19937& rng) {
    const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
    if (kind == 0) return 0.0;
    if (kind == 1) return -0.0;
    if (kind == 2) return std::numeric_limits<double>::quiet_NaN();
    return std::uniform_real_distribution<double>(-5.0, 5.0)(rng);
}

/// Random m-by-n sparse array with density `density`; every fifth row and every
/// seventh column (counting from 1) stay empty.
inline SparseCase randomSparse(std::mt19937& rng, std::size_t m, std::size_t n,
                               double density) {
    SparseCase c;
    c.m = m;
    c.n = n;
    c.dense.assign(m * n, 0.0);
    c.stored.assign(m * n, 0);
    std::bernoulli_distribution keep(density);
    std::vector<std::vector<std::size_t>> columns(n);
    for (std::size_t j = 0; j < n; ++j) {
        if (j % 7 == 6) continue;
        for (std::size_t i = 0; i < m; ++i) {
            if (i % 5 == 4 || !keep(rng)) continue;
            columns[j].push_back(i);
            c.stored[i + j * m] = 1;
            c.dense[i + j * m] = randomEntry(rng);
        }
        std::shuffle(columns[j].begin(), columns[j].end(), rng);
    }
    const std::size_t nnz = c.nnz();
    c.array.reset(kaldor::testing::createSparseArray(m, n, nnz));
    double* values = kxRealData(c.array.get());
    std::size_t* rows = kxRowIndices(c.array.get());
    std::size_t* starts = kxColumnStarts(c.array.get());
    std::size_t k = 0;
    for (std::size_t j = 0; j < n; ++j) {
        starts[j] = k;
        for (std::size_t i : columns[j]) {
            rows[k] = i;
            values[k] = c.dense[i + j * m];
            ++k;
        }
    }
    starts[n] = k;
    return c;
}

/// Dense column holding `values`, owned by the returned handle.
inline kxarray::kxArrayPtr denseColumn(const std::vector<double>& values) {
    kxarray::kxArrayPtr a(kxCreateNumericMatrix(values.size(), 1, kxDOUBLE_CLASS, kxREAL));
    std::copy(values.begin(), values.end(), kxRealData(a.get()));
    return a;
}

inline std::vector<double> columnOf(const kxArray* a) {
    const double* d = kxRealData(a);
    return std::vector<double>(d, d + kxGetM(a) * kxGetN(a));
}

/// Same value bit for bit up to NaN payloads: both NaN, or equal with the same sign.
inline bool sameDouble(double x, double y) {
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
    return x == y && std::signbit(x) == std::signbit(y);
}

}  // namespace presolve_test
