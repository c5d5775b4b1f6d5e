#pragma once
// Reproducible random test data from std::mt19937.
#include <random>

#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"

namespace testdata {

inline AlignedVector randomVector(std::mt19937& rng, long n, double lo = -1.0, double hi = 1.0) {
    std::uniform_real_distribution<double> dist(lo, hi);
    AlignedVector v(static_cast<std::size_t>(n));
    for (auto& x : v) x = dist(rng);
    return v;
}

inline DenseMatrix randomMatrix(std::mt19937& rng, long m, long n, double lo = -1.0,
                                double hi = 1.0) {
    std::uniform_real_distribution<double> dist(lo, hi);
    DenseMatrix A(m, n);
    for (long j = 0; j < n; ++j)
        for (long i = 0; i < m; ++i) A(i, j) = dist(rng);
    return A;
}

}  // namespace testdata
