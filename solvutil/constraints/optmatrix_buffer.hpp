#pragma once
// Scratch-buffer entry acquisition for OPTMatrix<double> (internal to libsolvutil).
#include <cstddef>

#include "solvutil/constraints/optmatrix.hpp"

namespace optmatrix_detail {

/// The first free entry, searching at most `count` entries from the cursor, whose current
/// shape holds at least m*n values, reshaped to m-by-n; otherwise a new m-by-n entry.
OPTMatrix<double>* acquireBufferEntry(OPTMatrixBuffer& buffer, std::size_t m, std::size_t n);

}  // namespace optmatrix_detail
