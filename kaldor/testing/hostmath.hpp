#pragma once
// Stand-in-only view into hostMatrixMult, for tests: which BLAS routines it calls.
#include "solvutil/host/host_api.hpp"

namespace kaldor::testing {

/// The BLAS routine hostMatrixMult calls for a dense right operand: dgemv_ when
/// `singleColumn`, dgemm_ otherwise (null if it cannot be found).
KALDOR_API const void* hostMatrixMultRoutine(bool singleColumn);

}  // namespace kaldor::testing
