#pragma once
// Presolve gateways, called by the host with its gateway convention: an output count,
// an array of output slots, an input count and an array of input host arrays.
//
// Neither routine validates its inputs. Storing into a slot releases the array it held.
// Threads: the gateways keep no state; calls with distinct output slots may run
// concurrently.
#include "solvutil/host/kxarray.hpp"
#include "solvutil/solvutil_export.hpp"

namespace presolve {

/// Row-activity bounds implied by variable bounds. Uses m pairs of doubles of host
/// scratch memory; if that allocation fails the host error propagates (the output slots
/// already hold their new arrays) and nothing leaks.
///
/// inputs[0]: A, real sparse m-by-n double matrix (compressed column, size_t indices).
/// inputs[1], inputs[2]: lb and ub, double arrays with at least n elements.
/// outputs[0], outputs[1]: new m-by-1 columns low and high with, for every row i,
///   low(i)  = sum over stored a = A(i,j), in column order, of a*lb(j) if a > 0 else a*ub(j)
///   high(i) = sum of a*ub(j) if a > 0 else a*lb(j).
/// A stored zero or NaN takes the second branch; infinities follow IEEE arithmetic
/// (0*Inf gives NaN). `nOutputs` and `nInputs` are not read: two slots are always filled.
SOLVUTIL_API void constrImpliedBoundaries(int nOutputs, kxarray::kxArrayPtr* outputs, int nInputs,
                                          kxArray const** inputs);

/// Stored-entry counts per column and per row of a sparse matrix, as double columns.
///
/// inputs[0]: A, real sparse m-by-n matrix (only its indices are read).
/// nInputs <= 1: outputs[0] = column counts (n-by-1), outputs[1] = row counts (m-by-1).
/// nInputs > 1: the first element of inputs[1], truncated toward zero to a 32-bit int
///   (saturating, NaN as 0), selects: 2 -> outputs[0] = column counts; anything else ->
///   outputs[0] = row counts. outputs[1] is not touched.
/// Explicitly stored zeros count. `nOutputs` is not read.
SOLVUTIL_API void getNNZcounts(int nOutputs, kxarray::kxArrayPtr* outputs, int nInputs,
                               kxArray const** inputs);

}  // namespace presolve
