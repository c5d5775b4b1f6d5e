#pragma once
// Copies between the solver's own storage and host arrays (owned by kxarray::kxArrayPtr,
// so every array created here is destroyed on every path).
#include <vector>

#include "examples/lpsolve/lp_model.hpp"
#include "solvutil/host/kxarray.hpp"

namespace lpsolve {

/// A new sparse host array holding A.
kxarray::kxArrayPtr toHostSparse(const CscMatrix& A);

/// A new dense n-by-1 host array holding v.
kxarray::kxArrayPtr toHostColumn(const std::vector<double>& v);

/// The values of a dense host array, column-major.
std::vector<double> fromHost(const kxArray* a);

}  // namespace lpsolve
